#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

// A port free on both loopback addresses right now. If somebody takes it
// before the server binds it, the start fails and says so.
quint16 freePort();

// One form of the public-IP service, started by a test on loopback and
// stopped with SIGTERM when the object goes. A start that fails leaves the
// reason, naming what is missing, in errorString().
class LoopbackServer
{
public:
    ~LoopbackServer();

    // quorvel-ipd from this build, listening on each of hosts at port().
    bool startIpd(const QStringList &hosts, const QStringList &extraArgs = {});
    // nginx running the shipped location block, on 127.0.0.1 and ::1.
    bool startNginx();
    // PHP's built-in server with the shipped quorvel.php, on host only.
    bool startPhp(const QString &host);

    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    QProcess &process() { return m_process; }

private:
    bool run(const QString &name, const QStringList &args, const QStringList &hosts);

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = freePort();
    QString m_error;
};

// "127.0.0.1:port" or "[::1]:port".
QString hostPort(const QString &host, quint16 port);

QByteArray pageRequest(const QByteArray &method = "GET", const QByteArray &extraFields = {});

// One HTTP answer as a client sees it; status 0 when none came in time.
struct Reply
{
    int status = 0;
    QByteArray head; // status line and fields
    QByteArray body;
    QByteArray field(const QByteArray &name) const;
};

bool connectTo(QTcpSocket &socket, const QString &host, quint16 port, int timeoutMs = 2000);
// Sends request (if any) and reads one answer. Bytes after it stay unread,
// so a stray body shows up as a broken next answer.
Reply exchange(QTcpSocket &socket, const QByteArray &request, int timeoutMs = 3000);
// One request on a fresh connection.
Reply fetch(const QString &host, quint16 port, const QByteArray &request, int timeoutMs = 3000);
// True when the server closed (or reset) the connection within the time;
// whatever it still sends is dropped.
bool closedByPeer(QTcpSocket &socket, int timeoutMs);
