#include "ChangeCommand.h"

#include "CommandLine.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace app {

namespace {

// The first line of what the command wrote to its error output, short
// enough for a tool tip.
QString firstLine(const QByteArray &output)
{
    const qsizetype end = output.indexOf('\n');
    QString line = QString::fromLocal8Bit(end < 0 ? output : output.first(end)).trimmed();
    if (line.size() > 200)
        line = line.first(200) + QStringLiteral("...");
    return line;
}

} // namespace

ChangeCommand::ChangeCommand(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_process)
            return;
        m_timedOut = true;
        m_process->kill(); // finished() follows
    });
}

ChangeCommand::~ChangeCommand()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void ChangeCommand::run(const QString &commandLine, const AddressChange &change)
{
    Waiting &w = m_waiting[change.family == QLatin1String("ipv6") ? 1 : 0];
    w.commandLine = commandLine;
    replaceWaiting(w.change, change);
    startNext();
}

void ChangeCommand::startNext()
{
    if (m_process)
        return;
    // Both families waiting take turns.
    int family = m_nextFamily;
    if (!m_waiting[family].change)
        family = 1 - family;
    if (!m_waiting[family].change)
        return;
    m_nextFamily = 1 - family;
    const QString commandLine = m_waiting[family].commandLine;
    const AddressChange change = *std::exchange(m_waiting[family].change, std::nullopt);
    m_running = change.family;

    const settings::CommandLine line = settings::splitCommandLine(commandLine);
    if (!line.error.isEmpty() || line.arguments.isEmpty()) {
        report(false, QStringLiteral("cannot be run: ") +
                          (line.error.isEmpty() ? QStringLiteral("no program") : line.error));
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVEL_FAMILY"), change.family);
    environment.insert(QStringLiteral("QUORVEL_OLD_IP"), change.oldIp);
    environment.insert(QStringLiteral("QUORVEL_NEW_IP"), change.newIp);
    environment.insert(QStringLiteral("QUORVEL_HOST_NAME"), change.hostName);

    m_process = new QProcess(this);
    m_process->setProcessEnvironment(environment);
    m_process->setProgram(line.arguments.first());
    m_process->setArguments(line.arguments.mid(1));
    // Nothing to read from us, and what it prints is its own business;
    // only the start of its error output is kept, for the report.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_errorOutput.clear();
    m_timedOut = false;
    connect(m_process, &QProcess::readyReadStandardError, this, [this] {
        const QByteArray more = m_process->readAllStandardError();
        m_errorOutput += more.first(qMin(more.size(), kMaxErrorBytes - m_errorOutput.size()));
    });
    connect(m_process, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                m_errorOutput += m_process->readAllStandardError();
                const QString error = firstLine(m_errorOutput);
                QString what = m_timedOut
                                   ? QStringLiteral("killed after %1 s").arg(m_timeoutMs / 1000.0)
                               : status == QProcess::CrashExit
                                   ? QStringLiteral("ended abnormally")
                                   : QStringLiteral("exit status %1").arg(exitCode);
                if (!error.isEmpty())
                    what += QStringLiteral(": ") + error;
                report(!m_timedOut && status == QProcess::NormalExit && exitCode == 0, what);
            });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(false, QStringLiteral("could not be started: ") + m_process->errorString());
    });
    m_timer.start(m_timeoutMs);
    m_process->start();
}

void ChangeCommand::report(bool success, const QString &what)
{
    m_timer.stop();
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    emit finished(success,
                  QStringLiteral("Change Command (") + m_running + QStringLiteral("): ") + what);
    startNext();
}

} // namespace app
