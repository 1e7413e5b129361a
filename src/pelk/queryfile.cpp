#include "pelk/queryfile.h"

#include <algorithm>

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

bool QueryFile::read(const QString& path, QString* text, QueryFormat* format, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8(bytes);
    format->latin1 = utf8.hasError();
    if (format->latin1) decoded = QString::fromLatin1(bytes);
    format->crlf = decoded.contains(u"\r\n");
    decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    *text = decoded;
    return true;
}

bool QueryFile::write(const QString& path, const QString& text, const QueryFormat& format,
                      QString* error) {
    QString lines = text;
    if (!lines.isEmpty() && !lines.endsWith(u'\n')) lines += u'\n';
    if (format.crlf) lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    // Characters typed in the editor that Latin-1 cannot hold would be lost:
    // such a file becomes UTF-8 instead.
    const bool fitsLatin1 =
        std::all_of(lines.cbegin(), lines.cend(), [](QChar c) { return c.unicode() < 256; });
    const QByteArray bytes = format.latin1 && fitsLatin1 ? lines.toLatin1() : lines.toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
