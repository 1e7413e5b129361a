#include "pelk/enginerunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include "pelk/trustedprogram.h"

#ifndef Q_OS_WIN
#include <signal.h>
#include <unistd.h>
#endif

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
    QString skipped;
    if (script.exists()) {
        const QString problem = TrustedProgram::problem(script.absoluteFilePath());
        if (problem.isEmpty()) {
#ifdef Q_OS_WIN
            return {QStringLiteral("cmd.exe"), {QStringLiteral("/c"), script.absoluteFilePath()}};
#else
            return {script.absoluteFilePath(), {}, {}};
#endif
        }
        skipped = QStringLiteral("%1 was not run: it %2.")
                      .arg(QDir::toNativeSeparators(script.absoluteFilePath()), problem);
    }
    if (engine.isEmpty()) return {{}, {}, skipped};
    return {engine, {queryFileName()}, skipped};
}

EngineRunner::EngineRunner(Command command, QString startDir, QObject* parent)
    : QObject(parent), command_(std::move(command)), startDir_(std::move(startDir)) {
    process_.setWorkingDirectory(startDir_);
#ifndef Q_OS_WIN
    // A group of its own, so that Stop reaches the engine also when a runner
    // script started it.
    process_.setChildProcessModifier([] { setpgid(0, 0); });
#endif
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
        signalProcesses(true);
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

void EngineRunner::stop() {
    if (!isRunning()) return;
    stopped_ = true;
    signalProcesses(false);
    QTimer::singleShot(kStopGraceMs, this, [this] {
        if (isRunning()) signalProcesses(true);
    });
}

void EngineRunner::signalProcesses(bool kill) {
#ifdef Q_OS_WIN
    Q_UNUSED(kill);
    process_.kill();
#else
    const qint64 pid = process_.processId();
    if (pid <= 0) return;
    ::kill(-pid_t(pid), kill ? SIGKILL : SIGTERM);
#endif
}

void EngineRunner::forward(QProcess::ProcessChannel channel) {
    const bool error = channel == QProcess::StandardError;
    const QByteArray bytes =
        error ? process_.readAllStandardError() : process_.readAllStandardOutput();
    if (bytes.isEmpty()) return;
    emit output(error ? err_(bytes) : out_(bytes), error);
}
