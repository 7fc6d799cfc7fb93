#pragma once

#include "PeerFolder.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "PeerFolder.h"

// A loopback port nobody listens on right now: connecting is refused.
quint16 closedLoopbackPort();

// A real HTTP server (Python's http.server) on loopback that serves the
// public-IP page. The test rewrites the page, status and delay as it goes.
class PageServer
{
public:
    ~PageServer();

    // Starts the server (tls: https with a certificate nobody trusts); on
    // failure errorString() says what is missing.
    bool start(const QString &bindAddress = QStringLiteral("127.0.0.1"), bool tls = false);
    void stop();
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // "127.0.0.1:port" or "[::1]:port": the value for "IP Service Host".
    QString hostPort() const;
    QString url(const QString &path) const;

    void setPage(const QByteArray &page);
    // The page the real service gives for this address.
    void setAddress(const QString &address);
    void setStatus(int status);
    void setDelaySeconds(double seconds);
    QStringList requestedPaths() const;
    // The bodies of the POST requests so far.
    QByteArrayList postedBodies() const;

private:
    void write(const char *name, const QByteArray &data);

    PeerFolder m_dir;
    QProcess m_process;
    QString m_bind;
    bool m_tls = false;
    quint16 m_port = 0;
    QString m_error;
};
