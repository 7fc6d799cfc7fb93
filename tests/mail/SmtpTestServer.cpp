#include "SmtpTestServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

SmtpTestServer::~SmtpTestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SmtpTestServer::start(const QStringList &arguments)
{
    const QString portFile = m_dir.filePath("port");
    m_process.setProgram(QStringLiteral(QUORVEL_PYTHON));
    m_process.setArguments(
        QStringList{QStringLiteral(QUORVEL_MAIL_TESTS_DIR "/smtpserver.py")} + arguments +
        QStringList{"--record", m_dir.filePath("record"), "--port-file", portFile});
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start();
    QFile f(portFile);
    // The peer writes its port once it listens.
    if (QTest::qWaitFor([&] { return f.exists() && f.size() > 0; }, 15000) &&
        f.open(QIODevice::ReadOnly)) {
        m_port = quint16(f.readAll().trimmed().toUInt());
        return m_port != 0;
    }
    m_error = QStringLiteral("the SMTP test peer did not start (is python3-aiosmtpd installed?)");
    return false;
}

QList<QJsonObject> SmtpTestServer::records(const QString &kind) const
{
    QList<QJsonObject> out;
    QFile f(m_dir.filePath("record"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value("kind").toString() == kind)
            out << o;
    }
    return out;
}

QString SmtpTestServer::rawText() const
{
    QString text;
    for (const QJsonObject &o : records("raw"))
        text += o.value("text").toString();
    return text;
}

QString makeTestCertificates(const QString &dir)
{
    auto run = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(QStringLiteral("openssl"), args);
        return p.waitForFinished(30000) && p.exitCode() == 0
                   ? QString()
                   : QStringLiteral("openssl ") + args.join(u' ') + QStringLiteral(": ") +
                         QString::fromLocal8Bit(p.readAllStandardError());
    };
    QString e = run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                     "/CN=Quorvel Test CA", "-keyout", "ca.key", "-out", "ca.pem"});
    for (const auto &[name, san] : {std::pair{"good", "DNS:localhost,IP:127.0.0.1"},
                                    std::pair{"wrong", "DNS:other.example"}}) {
        const QString n = QString::fromLatin1(name);
        if (e.isEmpty())
            e = run({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + n, "-keyout",
                     n + ".key", "-out", n + ".csr"});
        QFile ext(dir + "/" + n + ".ext");
        if (ext.open(QIODevice::WriteOnly))
            ext.write("subjectAltName=" + QByteArray(san) + "\n");
        ext.close();
        if (e.isEmpty())
            e = run({"x509", "-req", "-in", n + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                     "-CAcreateserial", "-days", "2", "-extfile", n + ".ext", "-out", n + ".pem"});
    }
    return e;
}

void clearProxyEnvironment()
{
    for (const char *name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        qunsetenv(name);
}
