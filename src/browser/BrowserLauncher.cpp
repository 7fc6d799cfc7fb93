#include "BrowserLauncher.h"

#include <QCoreApplication>
#include <QDir>

namespace browser {

namespace {
// A refusal's reason is one line; anything longer is not ours.
constexpr qsizetype kSaidLimit = 4096;
} // namespace

BrowserLauncher::BrowserLauncher(QObject *parent, const QString &program)
    : QObject(parent),
      m_program(program.isEmpty()
                    ? QDir(QCoreApplication::applicationDirPath()).filePath(kBrowserProgram)
                    : program)
{
    // The engine's messages go where this program's go; the browser's own
    // output is read for a refusal's reason.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(kCloseTimeoutMs);
    connect(&m_closeTimer, &QTimer::timeout, &m_process, &QProcess::kill);
    connect(&m_process, &QProcess::readyReadStandardOutput, this,
            [this] { m_said = (m_said + m_process.readAllStandardOutput()).right(kSaidLimit); });
    connect(&m_process, &QProcess::finished, this, &BrowserLauncher::onFinished);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        emit failed(tr("The browser cannot be opened: %1 could not be started (%2).")
                        .arg(QDir::toNativeSeparators(m_program), m_process.errorString()));
        emit finished();
    });
}

BrowserLauncher::~BrowserLauncher()
{
    if (!isRunning())
        return;
    m_process.disconnect(this);
    m_process.kill();
    m_process.waitForFinished(kCloseTimeoutMs);
}

void BrowserLauncher::open(const QString &startPage, const QString &translationHost)
{
    if (isRunning()) {
        // Written once it has started, when it is still starting.
        m_process.write(kRaiseCommand);
        return;
    }
    m_said.clear();
    m_closing = false;
    m_process.start(m_program, {QStringLiteral("--start-page=") + startPage,
                                QStringLiteral("--translation-host=") + translationHost});
}

void BrowserLauncher::close()
{
    if (!isRunning() || m_closing)
        return;
    m_closing = true;
    m_process.write(kCloseCommand);
    m_closeTimer.start();
}

void BrowserLauncher::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    m_closeTimer.stop();
    m_said += m_process.readAllStandardOutput();
    const QString said = QString::fromUtf8(m_said).trimmed();
    if (exitStatus == QProcess::CrashExit && !m_closing)
        emit failed(tr("The browser window ended unexpectedly."));
    else if (exitStatus == QProcess::NormalExit && exitCode == kRefusedExitCode && !said.isEmpty())
        emit failed(said);
    else if (exitStatus == QProcess::NormalExit && exitCode != 0)
        emit failed(tr("The browser window ended with status %1.").arg(exitCode));
    emit finished();
}

} // namespace browser
