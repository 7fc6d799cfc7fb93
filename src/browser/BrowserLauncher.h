#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>

namespace browser {

// The browser program's file name, beside the programs that start it.
inline constexpr QLatin1StringView kBrowserProgram{"quorvel-browser"};
// The browser program ends with this status when it will not run; the
// reason is what it wrote on its standard output.
inline constexpr int kRefusedExitCode = 2;
// The commands the browser program reads on its standard input, one a line.
inline constexpr char kRaiseCommand[] = "raise\n";
inline constexpr char kCloseCommand[] = "close\n";

// Runs the browser window as a program of its own. The web engine, its
// memory and its helper processes come and go with that program, and
// whatever befalls it never takes the starting program down. There is one
// browser at a time: asked again while it runs, the launcher has it bring
// its window forward.
class BrowserLauncher : public QObject
{
    Q_OBJECT
public:
    // program: the browser program; by default the one beside this program.
    explicit BrowserLauncher(QObject *parent = nullptr, const QString &program = {});
    // A browser still running is ended with the launcher.
    ~BrowserLauncher() override;

    // Starts the browser on the start page (which may be empty: it then
    // opens on nothing), or brings the running one forward.
    void open(const QString &startPage, const QString &translationHost);
    // Asks the browser to close its window; one that has not ended within
    // kCloseTimeoutMs is killed.
    void close();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    static constexpr int kCloseTimeoutMs = 5000;

signals:
    // The browser could not be started, would not run or ended abnormally;
    // the message says so in the user's words.
    void failed(const QString &message);
    // The browser program has ended, whatever the reason (also after failed).
    void finished();

private:
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);

    QProcess m_process;
    QString m_program;
    QTimer m_closeTimer;
    // What the browser said on its standard output: a refusal's reason.
    QByteArray m_said;
    // The browser was told to close: a forced end is no failure.
    bool m_closing = false;
};

} // namespace browser
