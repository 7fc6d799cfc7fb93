#include "MailClient.h"
#include "SmtpTestServer.h"

#include <QtTest>

using namespace mail;

// The mail client against real SMTP servers (aiosmtpd) and stand-ins for
// misbehaving ones, all on loopback; TLS with a CA made here.
class TestMailClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void session_data();
    void session();

private:
    QTemporaryDir m_dir;
    QByteArray m_blob;
};

void TestMailClient::initTestCase()
{
    clearProxyEnvironment();
    const QString error = makeTestCertificates(m_dir.path());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (int i = 0; i < 3000; ++i)
        m_blob += char(i * 31 % 256);
    QFile f(m_dir.filePath("blob.bin"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(m_blob);
}

void TestMailClient::session_data()
{
    QTest::addColumn<QString>("server"); // smtpserver.py arguments; "" nothing listens
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("result"); // the login mechanism, or the failure's reason
    const QString ok = "connected ok disconnected", failed = "connected failed disconnected";
    QTest::newRow("plain, no AUTH") << "smtp"
                                    << "" << ok << "";
    QTest::newRow("AUTH LOGIN required") << "smtp --auth both"
                                         << "" << ok << "LOGIN";
    QTest::newRow("only PLAIN") << "smtp --auth plain"
                                << "" << ok << "PLAIN";
    QTest::newRow("through the WinGate proxy") << "smtp --auth login"
                                               << "wingate" << ok << "LOGIN";
    QTest::newRow("STARTTLS, AUTH after the upgrade")
        << "smtp --auth both --tls starttls --cert good"
        << "ca require" << ok << "LOGIN";
    QTest::newRow("implicit TLS") << "smtp --auth plain --tls implicit --cert good"
                                  << "ca implicit require" << ok << "PLAIN";
    QTest::newRow("refused port") << ""
                                  << ""
                                  << "failed"
                                  << "The connection to the mail server failed. Connection refused";
    QTest::newRow("server hangs up mid-dialogue") << "hangup"
                                                  << ""
                                                  << "connected disconnected"
                                                  << "";
    QTest::newRow("server stops answering")
        << "silent"
        << "short" << failed
        << "The mail server did not answer within 0.4 s (waiting for the reply to EHLO).";
    QTest::newRow("certificate for another host")
        << "smtp --tls starttls --cert wrong"
        << "ca" << failed
        << "The mail server's certificate was refused: it was issued for another host name.";
    QTest::newRow("no STARTTLS while encryption is required")
        << "smtp --auth both"
        << "require" << failed
        << "Encryption is required, but the server offers none (no STARTTLS); the password was "
           "not sent.";
}

void TestMailClient::session()
{
    QFETCH(QString, server);
    QFETCH(QString, options);
    QFETCH(QString, events);
    QFETCH(QString, result);
    SmtpTestServer smtp, proxy;
    // Nothing listens on port 1 (tcpmux) of loopback.
    if (!server.isEmpty())
        QVERIFY2(smtp.start(server.split(' ') + QStringList{"--dir", m_dir.path()}),
                 qPrintable(smtp.error()));
    const QString hostPort = server.isEmpty() ? "127.0.0.1:1" : smtp.hostPort();
    MailClient client;
    QStringList got;
    QString reason;
    connect(&client, &MailClient::connected, this, [&] { got << "connected"; });
    connect(&client, &MailClient::disconnected, this, [&] { got << "disconnected"; });
    connect(&client, &MailClient::sendComplete, this, [&](bool success, const QString &why) {
        got << (success ? "ok" : "failed");
        reason = why;
    });
    MailClient::Tuning tuning;
    tuning.replyTimeout = std::chrono::milliseconds(options.contains("short") ? 400 : 10000);
    if (options.contains("ca"))
        tuning.caCertificates = QSslCertificate::fromPath(m_dir.filePath("ca.pem"));
    if (options.contains("implicit"))
        tuning.implicitTlsPort = parseServerAddress(hostPort).port;
    client.setTuning(tuning);
    if (options.contains("wingate")) {
        QVERIFY2(proxy.start({"wingate"}), qPrintable(proxy.error()));
        client.setWingate("127.0.0.1");
        client.setWingatePort(QString::number(proxy.port()));
    }
    QString error;
    QCOMPARE(client.connectAndSend(error), 0); // not started up: nothing happens
    QCOMPARE(client.startUp(error), result::Success);
    client.setServer(" " + hostPort + " ");
    client.setRequireEncryption(options.contains("require"));
    client.setUserName("me");
    client.setPassword(" pw ");
    client.setFromEmail("me@example.com");
    client.setToEmail("you@example.net");
    client.setSubject("Test LAN: 10.0.0.5\r\n10.0.0.6\r\n");
    QCOMPARE(client.connectAndSend(error), result::NoMessage);
    QString files = " " + m_dir.filePath("blob.bin") + " ";
    client.prepareEmail("Hello\r\n.hidden\r\nBye", files);
    QCOMPARE(client.connectAndSend(error), result::Success);
    QVERIFY(QTest::qWaitFor(
        [&] { return got.contains("disconnected") || got == QStringList{"failed"}; }, 15000));
    QTest::qWait(50); // nothing may follow
    QCOMPARE(got.join(' '), events);

    const QList<QJsonObject> messages = smtp.records("message");
    const QList<QJsonObject> logins = smtp.records("login");
    if (!events.contains("ok")) {
        QCOMPARE(reason, result);
        // Nothing secret went out in clear, and no message at all.
        QVERIFY(messages.isEmpty() && logins.isEmpty());
        for (const QJsonObject &raw : smtp.records("raw"))
            for (const char *secret : {"pw", "cHc", "AUTH", "MAIL FROM"})
                QVERIFY2(!raw.value("text").toString().contains(secret), secret);
        return;
    }
    QCOMPARE(messages.size(), 1);
    const QJsonObject m = messages.first();
    QCOMPARE(m.value("encrypted").toBool(), options.contains("ca"));
    const QString data = m.value("data").toString();
    QVERIFY(data.startsWith("From:  <me@example.com>\r\nTo:  <you@example.net>\r\n"
                            "Subject: Test LAN: 10.0.0.5 10.0.0.6\r\nDate: "));
    QVERIFY(data.contains("\r\nHello\r\n.hidden\r\nBye\r\n\r\n--Boundary_A"));
    const QString start = "Filename=\"blob.bin\"\r\n\r\n";
    const qsizetype from = data.indexOf(start) + start.size();
    const QString encoded = data.mid(from, data.indexOf("\r\n\r\n--Boundary_A", from) - from);
    QCOMPARE(QByteArray::fromBase64(encoded.toLatin1()), m_blob);
    QCOMPARE(logins.size(), result.isEmpty() ? 0 : 1);
    if (!result.isEmpty()) {
        QCOMPARE(logins.first().value("mechanism").toString(), result);
        QCOMPARE(logins.first().value("password").toString(), "pw");
    }
    if (options.contains("wingate"))
        QCOMPARE(proxy.records("target").first().value("text").toString(), hostPort);
}

QTEST_MAIN(TestMailClient)
#include "TestMailClient.moc"
