#include "pelk/trustedprogram.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

QString TrustedProgram::problem(const QString& path) {
#ifdef Q_OS_WIN
    // Ownership and modes do not carry over; a regular file is all we check.
    return QFileInfo(path).isFile() ? QString() : QStringLiteral("is not a regular file");
#else
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0) {
        return QStringLiteral("cannot be examined");
    }
    if (!S_ISREG(info.st_mode)) return QStringLiteral("is not a regular file");
    if (info.st_uid != getuid() && info.st_uid != 0) {
        return QStringLiteral("belongs to another user");
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        return QStringLiteral("is writable by group or others");
    }
    if (access(QFile::encodeName(path).constData(), X_OK) != 0) {
        return QStringLiteral("is not executable");
    }
    return {};
#endif
}
