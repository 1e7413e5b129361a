#include "pelk/enginerunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString EngineRunner::queryFileName() {
    return QStringLiteral("e$$$.hux");
}

QString EngineRunner::runnerScriptName() {
#ifdef Q_OS_WIN
    return QStringLiteral("pelkrun.bat");
#else
    return QStringLiteral("pelkrun");
#endif
}

QString EngineRunner::findEngine() {
    const QString beside = QStandardPaths::findExecutable(QStringLiteral("hux"),
                                                          {QCoreApplication::applicationDirPath()});
    if (!beside.isEmpty()) return beside;
    return QStandardPaths::findExecutable(QStringLiteral("hux"));
}

EngineRunner::Command EngineRunner::command(const QString& startDir, const QString& engine) {
    const QFileInfo script(QDir(startDir).filePath(runnerScriptName()));
    if (script.isFile()) {
#ifdef Q_OS_WIN
        return {QStringLiteral("cmd.exe"), {QStringLiteral("/c"), script.absoluteFilePath()}};
#else
        // A script without the execute bit is still the installation's hook.
        if (script.isExecutable()) return {script.absoluteFilePath(), {}};
        return {QStringLiteral("/bin/sh"), {script.absoluteFilePath()}};
#endif
    }
    if (engine.isEmpty()) return {};
    return {engine, {queryFileName()}};
}

EngineRunner::EngineRunner(Command command, QString startDir, QObject* parent)
    : QObject(parent), command_(std::move(command)), startDir_(std::move(startDir)) {
    process_.setWorkingDirectory(startDir_);
    connect(&process_, &QProcess::readyReadStandardOutput, this,
            [this] { forward(QProcess::StandardOutput); });
    connect(&process_, &QProcess::readyReadStandardError, this,
            [this] { forward(QProcess::StandardError); });
    connect(&process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        forward(QProcess::StandardOutput);
        forward(QProcess::StandardError);
        emit finished(code, status == QProcess::CrashExit, QString());
    });
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        emit finished(-1, false,
                      QStringLiteral("Cannot start %1: %2")
                          .arg(QDir::toNativeSeparators(command_.program), process_.errorString()));
    });
}

EngineRunner::~EngineRunner() {
    // A run still going when pelk closes is stopped rather than left writing
    // a result file nobody watches.
    if (process_.state() != QProcess::NotRunning) {
        disconnect(&process_, nullptr, this, nullptr);
        process_.kill();
        process_.waitForFinished(3000);
    }
}

void EngineRunner::start() {
    if (command_.program.isEmpty()) {
        emit finished(-1, false,
                      QStringLiteral("hux was found neither beside pelk nor on the PATH, and the "
                                     "start directory has no %1 script.")
                          .arg(runnerScriptName()));
        return;
    }
    process_.start(command_.program, command_.arguments);
}

bool EngineRunner::isRunning() const {
    return process_.state() != QProcess::NotRunning;
}

void EngineRunner::forward(QProcess::ProcessChannel channel) {
    const bool error = channel == QProcess::StandardError;
    const QByteArray bytes =
        error ? process_.readAllStandardError() : process_.readAllStandardOutput();
    if (bytes.isEmpty()) return;
    emit output(error ? err_(bytes) : out_(bytes), error);
}
