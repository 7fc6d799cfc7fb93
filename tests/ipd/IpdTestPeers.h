#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The three forms of the public-IP service, each started by a test on
// loopback, plus a plain socket client for saying exactly what we want on
// the wire. On failure every start() leaves the reason, naming what is
// missing, in errorString().

// quorvel-ipd from this build. Its log goes to a file the test reads.
class IpdProcess
{
public:
    ~IpdProcess();

    // Starts it with args (which must include the --listen options) and waits
    // until it says where it listens.
    bool start(const QStringList &args);
    QString errorString() const { return m_error; }

    // The i-th listening address: "127.0.0.1:port" or "[::1]:port".
    QString hostPort(int i) const;
    quint16 port(int i) const { return m_ports.value(i); }
    QString host(int i) const { return m_hosts.value(i); }
    qint64 pid() const { return m_process.processId(); }
    // Resident memory in KiB, from /proc; -1 when it cannot be read.
    qint64 rssKiB() const;
    QByteArray log() const;
    // Waits up to timeoutMs for a log line containing text, after `after`
    // bytes of log; returns the line or an empty array.
    QByteArray waitForLogLine(const QByteArray &text, int timeoutMs, qsizetype after = 0) const;

    // SIGTERM, then waits; true when it exited by itself within the time.
    bool terminate(int timeoutMs, int *exitCode = nullptr);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_hosts;
    QList<quint16> m_ports;
    QString m_error;
};

// nginx running the shipped location block in a server it listens with on
// 127.0.0.1 and [::1] (same port), everything else in a temporary folder.
class NginxForm
{
public:
    ~NginxForm();
    bool start(int workerProcesses = 1);
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// PHP's built-in web server with the shipped quorvel.php.
class PhpForm
{
public:
    ~PhpForm();
    // bindAddress "127.0.0.1" or "::1".
    bool start(const QString &bindAddress);
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// "127.0.0.1:port" or "[::1]:port".
QString loopbackHostPort(const QString &host, quint16 port);

// One HTTP response as a test sees it.
struct HttpReply
{
    int status = 0;                       // 0: nothing parsable came back
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QByteArray raw;
};

// A blocking socket with every wait bounded.
class RawClient
{
public:
    RawClient(const QString &host, quint16 port, int timeoutMs = 2000);
    ~RawClient();
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    bool isConnected() const { return m_fd >= 0; }
    bool send(const QByteArray &bytes);
    // Reads one response; HEAD answers carry no body whatever they announce.
    HttpReply readReply(int timeoutMs, bool head = false);
    // True when the server closed (or reset) the connection within the time;
    // anything it still sends is dropped.
    bool waitClosed(int timeoutMs);
    // Whatever else arrives until the server closes or the time is up.
    QByteArray readRest(int timeoutMs);
    void close();

private:
    // Appends what arrives within timeoutMs; 0 on close, -1 on timeout/error.
    int fill(int timeoutMs);

    int m_fd = -1;
    QByteArray m_pending;
};

// GET/HEAD of the page in one fresh connection.
HttpReply fetchOnce(const QString &host, quint16 port, const QByteArray &request,
                    int timeoutMs = 3000);
QByteArray pageRequest(const QByteArray &method = "GET", const QByteArray &extraHeaders = {});
