#include "IpdTestPeers.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>

#include <unistd.h>

namespace {

constexpr int kStartMs = 5000;

QString findProgram(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    return path.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : path;
}

const QString kDeployDir = QStringLiteral(QUORVEL_SOURCE_DIR "/deploy");

} // namespace

quint16 freePort()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTcpServer v4;
        QTcpServer v6;
        if (v4.listen(QHostAddress::LocalHost) &&
            v6.listen(QHostAddress::LocalHostIPv6, v4.serverPort()))
            return v4.serverPort();
    }
    return 0;
}

QString hostPort(const QString &host, quint16 port)
{
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

LoopbackServer::~LoopbackServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool LoopbackServer::run(const QString &name, const QStringList &args, const QStringList &hosts)
{
    // quorvel-ipd comes from this build, the others from the system.
    const QString program =
        name == "quorvel-ipd" ? QStringLiteral(QUORVEL_BIN_DIR "/quorvel-ipd") : findProgram(name);
    if (program.isEmpty()) {
        m_error =
            QStringLiteral("%1 is not installed (Debian package %2; scripts/setup installs it)")
                .arg(name, name == "nginx" ? "nginx-light" : "php-cli");
        return false;
    }
    m_process.setProgram(program);
    m_process.setArguments(args);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start();
    if (!m_process.waitForStarted(kStartMs)) {
        m_error = name + QStringLiteral(" could not be started: ") + m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(kStartMs);
    for (const QString &host : hosts) {
        while (true) {
            QTcpSocket probe;
            if (connectTo(probe, host, m_port, 200))
                break;
            if (deadline.hasExpired() || m_process.waitForFinished(30)) {
                m_error = name + QStringLiteral(" is not listening on ") + hostPort(host, m_port) +
                          QStringLiteral(": ") + QString::fromLocal8Bit(m_process.readAll());
                return false;
            }
        }
    }
    return true;
}

bool LoopbackServer::startIpd(const QStringList &hosts, const QStringList &extraArgs)
{
    QStringList args = extraArgs;
    for (const QString &host : hosts)
        args << QStringLiteral("--listen") << hostPort(host, m_port);
    return run(QStringLiteral("quorvel-ipd"), args, hosts);
}

bool LoopbackServer::startNginx()
{
    const QString tmp = m_dir.path();
    // As root nginx would hand its workers to "nobody", who cannot use the
    // temporary folder.
    const QString conf =
        QStringLiteral("%1 worker_processes 1; pid %2/nginx.pid; error_log %2/error.log;\n"
                       "events { worker_connections 64; }\n"
                       "http { access_log off; client_body_temp_path %2/body;\n"
                       "  proxy_temp_path %2/proxy; fastcgi_temp_path %2/fastcgi;\n"
                       "  uwsgi_temp_path %2/uwsgi; scgi_temp_path %2/scgi;\n"
                       "  server { listen 127.0.0.1:%3; listen [::1]:%3;\n"
                       "           include %4/nginx-quorvel.conf; } }\n")
            .arg(::geteuid() == 0 ? "user root;" : "", tmp, QString::number(m_port), kDeployDir);
    QFile f(tmp + QStringLiteral("/nginx.conf"));
    if (!m_dir.isValid() || !f.open(QIODevice::WriteOnly) || f.write(conf.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write nginx.conf in a temporary folder");
        return false;
    }
    f.close();
    return run(QStringLiteral("nginx"),
               {"-e", tmp + "/error.log", "-p", tmp, "-c", f.fileName(), "-g", "daemon off;"},
               {"127.0.0.1", "::1"});
}

bool LoopbackServer::startPhp(const QString &host)
{
    return run(QStringLiteral("php"), {"-S", hostPort(host, m_port), "-t", kDeployDir}, {host});
}

QByteArray pageRequest(const QByteArray &method, const QByteArray &extraFields)
{
    return method + " /quorvel.php HTTP/1.1\r\nHost: quorvel.test\r\n" + extraFields + "\r\n";
}

QByteArray Reply::field(const QByteArray &name) const
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

bool connectTo(QTcpSocket &socket, const QString &host, quint16 port, int timeoutMs)
{
    socket.connectToHost(host, port);
    return socket.waitForConnected(timeoutMs);
}

Reply exchange(QTcpSocket &socket, const QByteArray &request, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    socket.write(request);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(int(deadline.remainingTime())))
        ;
    const bool head = request.startsWith("HEAD ");
    while (true) {
        // Peeked, not read: only this answer's bytes are taken.
        const QByteArray data = socket.peek(socket.bytesAvailable());
        const bool closed = socket.state() != QAbstractSocket::ConnectedState;
        const qsizetype end = data.indexOf("\r\n\r\n");
        Reply r;
        r.head = data.left(end);
        bool hasLength = false;
        qsizetype length = head ? 0 : r.field("content-length").toLongLong(&hasLength);
        // Without a length the body runs until the server closes.
        if (!head && !hasLength && closed)
            length = data.size() - end - 4;
        if (end >= 0 && (head || hasLength || closed) && data.size() >= end + 4 + length) {
            r.body = socket.read(end + 4 + length).mid(end + 4);
            const QList<QByteArray> statusLine = r.head.left(r.head.indexOf('\r')).split(' ');
            r.status = statusLine.value(0).startsWith("HTTP/") ? statusLine.value(1).toInt() : 0;
            return r;
        }
        if (closed || deadline.hasExpired())
            return {};
        socket.waitForReadyRead(int(deadline.remainingTime()));
    }
}

Reply fetch(const QString &host, quint16 port, const QByteArray &request, int timeoutMs)
{
    QTcpSocket socket;
    return connectTo(socket, host, port, timeoutMs) ? exchange(socket, request, timeoutMs)
                                                    : Reply{};
}

bool closedByPeer(QTcpSocket &socket, int timeoutMs)
{
    // Looks at least once, so a zero time asks "closed already?".
    QDeadlineTimer deadline(timeoutMs);
    do {
        socket.readAll();
        if (socket.state() != QAbstractSocket::ConnectedState)
            return true;
        socket.waitForReadyRead(int(deadline.remainingTime()));
    } while (!deadline.hasExpired());
    socket.readAll();
    return socket.state() != QAbstractSocket::ConnectedState;
}
