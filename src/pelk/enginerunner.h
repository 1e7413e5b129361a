// One run of the engine on the editor's query: the installation's runner
// script when it has one, otherwise hux itself, started in the start
// directory. Its output is passed on as it arrives, so the editor stays
// usable while a long scan goes on, and it can be stopped.
#pragma once

#include <QObject>
#include <QProcess>
#include <QStringDecoder>
#include <QStringList>

class EngineRunner : public QObject {
    Q_OBJECT

  public:
    struct Command {
        QString program;  // "" when neither a runner script nor hux was found
        QStringList arguments;
        QString skipped;  // why a runner script in the start directory was not used
    };

    // The temporary query file that every Run rewrites in the start directory.
    static QString queryFileName();
    // The runner script an installation may put in the start directory.
    static QString runnerScriptName();
    // hux beside pelk's own executable, else the one on the PATH; "" when
    // there is none.
    static QString findEngine();
    // What Run starts: the runner script when it exists and may be run, else
    // the engine on the temporary query file.
    static Command command(const QString& startDir, const QString& engine);

    EngineRunner(Command command, QString startDir, QObject* parent = nullptr);
    ~EngineRunner() override;

    // Starts the process; the outcome arrives through finished().
    void start();
    bool isRunning() const;
    // Ends the run: the engine and whatever the runner script started get
    // SIGTERM, and SIGKILL when they are still there after the grace period.
    // finished() follows as usual; files are left as the engine left them.
    void stop();
    bool wasStopped() const { return stopped_; }
    static constexpr int kStopGraceMs = 3000;
    const Command& commandLine() const { return command_; }

  signals:
    void output(const QString& text, bool errorChannel);
    // The process ended (exitCode and crashed tell how) or never started
    // (problem says why).
    void finished(int exitCode, bool crashed, const QString& problem);

  private:
    void forward(QProcess::ProcessChannel channel);
    void signalProcesses(bool kill);

    Command command_;
    QString startDir_;
    QProcess process_;
    QStringDecoder out_{QStringDecoder::System};
    QStringDecoder err_{QStringDecoder::System};
    bool stopped_ = false;
};
