#pragma once

#include "PeerFolder.h"

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One SMTP peer of tests/mail/smtpserver.py on loopback (aiosmtpd, Postfix
// in a strict private configuration, a silent or hanging-up server, or a
// WinGate proxy double), and what it recorded.
class SmtpTestServer
{
public:
    ~SmtpTestServer();
    // mode and options as smtpserver.py takes them; on failure error()
    // names what is missing.
    bool start(const QStringList &arguments);
    QString error() const { return m_error; }
    quint16 port(int i = 0) const { return m_ports.value(i); }
    QString hostPort(int i = 0) const { return QStringLiteral("127.0.0.1:%1").arg(port(i)); }

    // The recorded entries of one kind: "message", "login", "raw", "target",
    // "log" (Postfix's log lines).
    QList<QJsonObject> records(const QString &kind) const;

private:
    PeerFolder m_dir;
    QProcess m_process;
    QList<quint16> m_ports;
    QString m_error;
};

// A CA and two server certificates signed by it, made with openssl in dir:
// ca.pem, good.pem/good.key (localhost, 127.0.0.1), wrong.pem/wrong.key
// (other.example only). Empty on success, else what went wrong.
QString makeTestCertificates(const QString &dir);

// Removes the proxy variables the connection check would report.
void clearProxyEnvironment();
