#include "PageServer.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

quint16 closedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

PageServer::~PageServer()
{
    stop();
}

bool PageServer::start(const QString &bindAddress, bool tls)
{
    m_bind = bindAddress;
    m_tls = tls;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder");
        return false;
    }
    setStatus(200);
    m_process.setProgram(QStringLiteral(QUORVEL_PYTHON));
    m_process.setArguments({QStringLiteral(QUORVEL_TESTS_DIR "/support/pageserver.py"),
                            QStringLiteral("--dir"), m_dir.peerPath(QString()),
                            QStringLiteral("--bind"), bindAddress});
    if (tls)
        m_process.setArguments(m_process.arguments() << QStringLiteral("--tls"));
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("python3 (" QUORVEL_PYTHON ") could not be started: ") +
                  m_process.errorString();
        return false;
    }
    // The server writes its port once it listens.
    QFile f(m_dir.filePath(QStringLiteral("port")));
    if (QTest::qWaitFor([&] { return f.exists() && f.size() > 0; }, 10000) &&
        f.open(QIODevice::ReadOnly)) {
        m_port = quint16(f.readAll().trimmed().toUInt());
        if (m_port != 0)
            return true;
    }
    m_error = QStringLiteral("the loopback page server did not start on ") + bindAddress;
    return false;
}

void PageServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString PageServer::hostPort() const
{
    const QString host = m_bind.contains(u':') ? u'[' + m_bind + u']' : m_bind;
    return host + u':' + QString::number(m_port);
}

QString PageServer::url(const QString &path) const
{
    return (m_tls ? QStringLiteral("https://") : QStringLiteral("http://")) + hostPort() + path;
}

void PageServer::write(const char *name, const QByteArray &data)
{
    // Written beside and renamed, so the server never reads half a file.
    const QString path = m_dir.filePath(QString::fromLatin1(name));
    QFile f(path + QStringLiteral(".new"));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(data);
        f.close();
        QFile::remove(path);
        f.rename(path);
    }
}

void PageServer::setPage(const QByteArray &page)
{
    write("page", page);
}

void PageServer::setAddress(const QString &address)
{
    setPage("<html><body>Your IP address is: <b>" + address.toLatin1() + "</b></body></html>");
}

void PageServer::setStatus(int status)
{
    write("status", QByteArray::number(status));
}

void PageServer::setDelaySeconds(double seconds)
{
    write("delay", QByteArray::number(seconds));
}

QByteArrayList PageServer::postedBodies() const
{
    QFile f(m_dir.filePath(QStringLiteral("posts")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList bodies = f.readAll().split('\n');
    bodies.removeLast(); // what follows the last line end
    return bodies;
}

QStringList PageServer::requestedPaths() const
{
    QFile f(m_dir.filePath(QStringLiteral("log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
