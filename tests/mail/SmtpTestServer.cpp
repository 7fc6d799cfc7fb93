#include "SmtpTestServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

SmtpTestServer::~SmtpTestServer()
{
    // Asked first: the Postfix peer stops its MTA on the way out.
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

bool SmtpTestServer::start(const QStringList &arguments)
{
    const QString portFile = m_dir.filePath("port");
    const QString peerPortFile = m_dir.peerPath("port");
    m_process.setProgram(QStringLiteral(QUORVEL_PYTHON));
    m_process.setArguments(
        QStringList{QStringLiteral(QUORVEL_MAIL_TESTS_DIR "/smtpserver.py")} + arguments +
        QStringList{"--record", m_dir.peerPath("record"), "--port-file", peerPortFile});
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start();
    QFile f(portFile);
    // The peer writes its port once it listens.
    if (QTest::qWaitFor([&] { return f.exists() && f.size() > 0; }, 15000) &&
        f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &port : f.readAll().trimmed().split(' '))
            m_ports << quint16(port.toUInt());
        return port() != 0;
    }
    m_error = QStringLiteral("the SMTP test peer did not start (are python3-aiosmtpd, postfix and "
                             "sasl2-bin installed, and for Postfix: are we root?)");
    return false;
}

QList<QJsonObject> SmtpTestServer::records(const QString &kind) const
{
    QList<QJsonObject> out;
    QFile f(m_dir.filePath("record"));
    for (const QByteArray &line :
         f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QByteArrayList())
        if (const QJsonObject o = QJsonDocument::fromJson(line).object(); o.value("kind") == kind)
            out << o;
    return out;
}

QString makeTestCertificates(const QString &dir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(QUORVEL_PYTHON),
            {QStringLiteral(QUORVEL_MAIL_TESTS_DIR "/smtpserver.py"), "certs", "--dir", dir});
    return p.waitForFinished(60000) && p.exitCode() == 0
               ? QString()
               : "making certificates failed (is openssl installed?) " + p.readAll();
}

void clearProxyEnvironment()
{
    for (const char *name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        qunsetenv(name);
}
