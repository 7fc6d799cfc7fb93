#include "IpdTestPeers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kStartMs = 5000;

// A port that is free on both loopback addresses right now. The server is
// started on it right after; if somebody takes it in between, the start
// fails and says so.
quint16 freePortOnBothLoopbacks()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTcpServer v4;
        if (!v4.listen(QHostAddress::LocalHost))
            return 0;
        QTcpServer v6;
        if (v6.listen(QHostAddress::LocalHostIPv6, v4.serverPort()))
            return v4.serverPort();
    }
    return 0;
}

bool waitUntilAccepting(const QString &host, quint16 port, QProcess &process, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning)
            return false;
        QTcpSocket probe;
        probe.connectToHost(host, port);
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(30);
    }
    return false;
}

QString findProgram(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

QString deployDir()
{
    return QStringLiteral(QUORVEL_SOURCE_DIR "/deploy");
}

} // namespace

QString loopbackHostPort(const QString &host, quint16 port)
{
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return h + u':' + QString::number(port);
}

// --- IpdProcess -----------------------------------------------------------

IpdProcess::~IpdProcess()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool IpdProcess::start(const QStringList &args)
{
    const QString program = QStringLiteral(QUORVEL_BIN_DIR "/quorvel-ipd");
    if (!QFile::exists(program)) {
        m_error = QStringLiteral("quorvel-ipd is not built: ") + program;
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder");
        return false;
    }
    m_process.setProgram(program);
    m_process.setArguments(args);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("stdout")));
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("log")));
    m_process.start();
    if (!m_process.waitForStarted(kStartMs)) {
        m_error = QStringLiteral("quorvel-ipd could not be started: ") + m_process.errorString();
        return false;
    }
    const int listens = int(args.count(QStringLiteral("--listen")));
    QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired()) {
        const QByteArray text = log();
        // The line after the listening lines says start-up is over.
        if (text.contains(" threads, at most ")) {
            for (const QByteArray &line : text.split('\n')) {
                const qsizetype at = line.indexOf("listening on ");
                if (at < 0)
                    continue;
                const QByteArray where = line.mid(at + 13).trimmed();
                const qsizetype colon = where.lastIndexOf(':');
                QByteArray host = where.left(colon);
                if (host.startsWith('['))
                    host = host.mid(1, host.size() - 2);
                m_hosts.append(QString::fromLatin1(host));
                m_ports.append(quint16(where.mid(colon + 1).toUInt()));
            }
            if (m_ports.size() == listens)
                return true;
            m_error = QStringLiteral("quorvel-ipd reported %1 addresses, expected %2: ")
                          .arg(m_ports.size())
                          .arg(listens) +
                      QString::fromLocal8Bit(text);
            return false;
        }
        if (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(20)) {
            m_error =
                QStringLiteral("quorvel-ipd ended at start-up: ") + QString::fromLocal8Bit(log());
            return false;
        }
    }
    m_error = QStringLiteral("quorvel-ipd did not report its addresses in time: ") +
              QString::fromLocal8Bit(log());
    return false;
}

QString IpdProcess::hostPort(int i) const
{
    return loopbackHostPort(host(i), port(i));
}

qint64 IpdProcess::rssKiB() const
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid()));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QByteArray IpdProcess::log() const
{
    QFile f(m_dir.filePath(QStringLiteral("log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray IpdProcess::waitForLogLine(const QByteArray &text, int timeoutMs, qsizetype after) const
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        const QByteArray all = log();
        const qsizetype at = all.indexOf(text, after);
        if (at >= 0) {
            const qsizetype begin = all.lastIndexOf('\n', at) + 1;
            const qsizetype end = all.indexOf('\n', at);
            if (end >= 0)
                return all.mid(begin, end - begin);
        }
        QThread::msleep(20);
    } while (!deadline.hasExpired());
    return {};
}

bool IpdProcess::terminate(int timeoutMs, int *exitCode)
{
    if (!isRunning())
        return false;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    const bool ended = m_process.waitForFinished(timeoutMs);
    if (exitCode)
        *exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    if (!ended) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    return ended;
}

// --- NginxForm ------------------------------------------------------------

NginxForm::~NginxForm()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool NginxForm::start(int workerProcesses)
{
    const QString nginx = findProgram(QStringLiteral("nginx"));
    if (nginx.isEmpty()) {
        m_error = QStringLiteral("nginx is not installed (Debian package nginx-light; "
                                 "scripts/setup installs it)");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder");
        return false;
    }
    m_port = freePortOnBothLoopbacks();
    if (m_port == 0) {
        m_error = QStringLiteral("no free port on 127.0.0.1 and ::1");
        return false;
    }
    const QString tmp = m_dir.path();
    QString conf;
    // As root nginx would hand its workers to "nobody"; they need nothing
    // from the temporary folder, but staying root keeps the test simple.
    if (::geteuid() == 0)
        conf += QStringLiteral("user root;\n");
    conf += QStringLiteral("worker_processes %1;\n"
                           "pid %2/nginx.pid;\n"
                           "error_log %2/error.log;\n"
                           "events { worker_connections 256; }\n"
                           "http {\n"
                           "    access_log off;\n"
                           "    client_body_temp_path %2/body;\n"
                           "    proxy_temp_path %2/proxy;\n"
                           "    fastcgi_temp_path %2/fastcgi;\n"
                           "    uwsgi_temp_path %2/uwsgi;\n"
                           "    scgi_temp_path %2/scgi;\n"
                           "    server {\n"
                           "        listen 127.0.0.1:%3;\n"
                           "        listen [::1]:%3;\n"
                           "        include %4/nginx-quorvel.conf;\n"
                           "    }\n"
                           "}\n")
                .arg(workerProcesses)
                .arg(tmp)
                .arg(m_port)
                .arg(deployDir());
    QFile f(tmp + QStringLiteral("/nginx.conf"));
    if (!f.open(QIODevice::WriteOnly) || f.write(conf.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write nginx.conf");
        return false;
    }
    f.close();
    m_process.setProgram(nginx);
    m_process.setArguments({QStringLiteral("-e"), tmp + QStringLiteral("/error.log"),
                            QStringLiteral("-p"), tmp, QStringLiteral("-c"),
                            tmp + QStringLiteral("/nginx.conf"), QStringLiteral("-g"),
                            QStringLiteral("daemon off;")});
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start();
    if (!m_process.waitForStarted(kStartMs)) {
        m_error = QStringLiteral("nginx could not be started: ") + m_process.errorString();
        return false;
    }
    if (!waitUntilAccepting(QStringLiteral("127.0.0.1"), m_port, m_process, kStartMs) ||
        !waitUntilAccepting(QStringLiteral("::1"), m_port, m_process, kStartMs)) {
        QFile log(tmp + QStringLiteral("/error.log"));
        log.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("nginx did not start listening: ") +
                  QString::fromLocal8Bit(m_process.readAll() + log.readAll());
        return false;
    }
    return true;
}

// --- PhpForm --------------------------------------------------------------

PhpForm::~PhpForm()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool PhpForm::start(const QString &bindAddress)
{
    const QString php = findProgram(QStringLiteral("php"));
    if (php.isEmpty()) {
        m_error = QStringLiteral("php is not installed (Debian package php-cli; "
                                 "scripts/setup installs it)");
        return false;
    }
    m_port = freePortOnBothLoopbacks();
    if (m_port == 0) {
        m_error = QStringLiteral("no free port on 127.0.0.1 and ::1");
        return false;
    }
    m_process.setProgram(php);
    m_process.setArguments({QStringLiteral("-S"), loopbackHostPort(bindAddress, m_port),
                            QStringLiteral("-t"), deployDir()});
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start();
    if (!m_process.waitForStarted(kStartMs)) {
        m_error = QStringLiteral("php could not be started: ") + m_process.errorString();
        return false;
    }
    if (!waitUntilAccepting(bindAddress, m_port, m_process, kStartMs)) {
        m_error = QStringLiteral("php -S did not start listening on ") +
                  loopbackHostPort(bindAddress, m_port) + QStringLiteral(": ") +
                  QString::fromLocal8Bit(m_process.readAll());
        return false;
    }
    return true;
}

// --- RawClient ------------------------------------------------------------

RawClient::RawClient(const QString &host, quint16 port, int timeoutMs)
{
    const bool v6 = host.contains(u':');
    sockaddr_storage addr{};
    socklen_t len = 0;
    if (v6) {
        auto *a = reinterpret_cast<sockaddr_in6 *>(&addr);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        if (inet_pton(AF_INET6, host.toLatin1().constData(), &a->sin6_addr) != 1)
            return;
        len = sizeof *a;
    } else {
        auto *a = reinterpret_cast<sockaddr_in *>(&addr);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        if (inet_pton(AF_INET, host.toLatin1().constData(), &a->sin_addr) != 1)
            return;
        len = sizeof *a;
    }
    m_fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), len) != 0) {
        if (errno != EINPROGRESS) {
            close();
            return;
        }
        pollfd p{m_fd, POLLOUT, 0};
        int err = 0;
        socklen_t errLen = sizeof err;
        if (::poll(&p, 1, timeoutMs) != 1 ||
            ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &errLen) != 0 || err != 0) {
            close();
            return;
        }
    }
}

RawClient::~RawClient()
{
    close();
}

void RawClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool RawClient::send(const QByteArray &bytes)
{
    if (m_fd < 0)
        return false;
    qsizetype done = 0;
    QDeadlineTimer deadline(3000);
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && !deadline.hasExpired()) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime())));
            continue;
        }
        return false;
    }
    return true;
}

int RawClient::fill(int timeoutMs)
{
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1)
        return -1;
    char chunk[16384];
    const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (n > 0) {
        m_pending.append(chunk, n);
        return int(n);
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR))
        return 0;
    return -1;
}

HttpReply RawClient::readReply(int timeoutMs, bool head)
{
    HttpReply reply;
    if (m_fd < 0)
        return reply;
    QDeadlineTimer deadline(timeoutMs);
    qsizetype headerEnd = -1;
    qint64 length = -1;
    bool closed = false;
    while (true) {
        if (headerEnd < 0) {
            headerEnd = m_pending.indexOf("\r\n\r\n");
            if (headerEnd >= 0) {
                const QList<QByteArray> lines = m_pending.left(headerEnd).split('\n');
                const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
                reply.status = statusLine.value(1).toInt();
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    const qsizetype colon = lines[i].indexOf(':');
                    if (colon > 0)
                        reply.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                             lines[i].mid(colon + 1).trimmed());
                }
                // Without a length the body runs until the server closes.
                length = head ? 0
                         : reply.headers.contains("content-length")
                             ? reply.headers.value("content-length").toLongLong()
                             : -1;
            }
        }
        if (headerEnd >= 0 && length < 0 && closed)
            length = m_pending.size() - headerEnd - 4;
        if (headerEnd >= 0 && length >= 0 && m_pending.size() >= headerEnd + 4 + length) {
            reply.raw = m_pending.left(headerEnd + 4 + length);
            reply.body = reply.raw.mid(headerEnd + 4);
            m_pending.remove(0, reply.raw.size());
            return reply;
        }
        if (closed || deadline.hasExpired())
            break;
        if (fill(int(qMax<qint64>(1, deadline.remainingTime()))) == 0)
            closed = true;
    }
    // Incomplete: report what came, but not as a whole reply.
    reply.raw = m_pending;
    reply.status = 0;
    return reply;
}

bool RawClient::waitClosed(int timeoutMs)
{
    if (m_fd < 0)
        return true;
    // Looks at least once, so a zero time asks "closed already?".
    QDeadlineTimer deadline(timeoutMs);
    do {
        const int r = fill(int(qMax<qint64>(0, deadline.remainingTime())));
        if (r == 0)
            return true;
        m_pending.clear();
    } while (!deadline.hasExpired());
    return false;
}

QByteArray RawClient::readRest(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_fd >= 0 && !deadline.hasExpired()) {
        if (fill(int(qMax<qint64>(1, deadline.remainingTime()))) == 0)
            break;
    }
    return std::exchange(m_pending, QByteArray());
}

HttpReply fetchOnce(const QString &host, quint16 port, const QByteArray &request, int timeoutMs)
{
    RawClient c(host, port, timeoutMs);
    if (!c.isConnected() || !c.send(request))
        return {};
    return c.readReply(timeoutMs, request.startsWith("HEAD "));
}

QByteArray pageRequest(const QByteArray &method, const QByteArray &extraHeaders)
{
    return method + " /quorvel.php HTTP/1.1\r\nHost: quorvel.test\r\n" + extraHeaders + "\r\n";
}
