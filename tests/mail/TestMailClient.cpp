#include "MailClient.h"
#include "SmtpTestServer.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace mail;

// The mail client against real SMTP servers (aiosmtpd) and stand-ins for
// misbehaving ones, all on loopback; TLS with a CA made here.
class TestMailClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void delivers_data();
    void delivers();
    void failures_data();
    void failures();
    void settingsRefusedAtOnce();

private:
    // Fills the client, sends and waits for the end; the events in order.
    QStringList send(MailClient &client, const QString &options, QString *reason = nullptr);

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

QStringList TestMailClient::send(MailClient &client, const QString &options, QString *reason)
{
    QStringList events;
    connect(&client, &MailClient::connected, this, [&] { events << "connected"; });
    connect(&client, &MailClient::disconnected, this, [&] { events << "disconnected"; });
    connect(&client, &MailClient::sendComplete, this, [&](bool ok, const QString &why) {
        events << (ok ? "ok" : "failed");
        if (reason)
            *reason = why;
    });
    MailClient::Tuning tuning;
    tuning.replyTimeout = std::chrono::milliseconds(options.contains("short") ? 400 : 10000);
    if (options.contains("ca"))
        tuning.caCertificates = QSslCertificate::fromPath(m_dir.filePath("ca.pem"));
    if (options.contains("implicit"))
        tuning.implicitTlsPort = parseServerAddress(client.property("server").toString()).port;
    client.setTuning(tuning);
    client.setRequireEncryption(options.contains("require"));
    client.setUserName("me");
    client.setPassword(" pw ");
    client.setFromEmail("me@example.com");
    client.setToEmail("you@example.net");
    client.setSubject("Test LAN: 10.0.0.5\r\n10.0.0.6\r\n");
    QString files = " " + m_dir.filePath("blob.bin") + " ";
    client.prepareEmail("Hello\r\n.hidden\r\nBye", files);
    QString error;
    if (client.connectAndSend(error) != result::Success)
        return {"refused: " + error};
    (void)QTest::qWaitFor(
        [&] {
            return events.contains("disconnected") ||
                   (events.contains("failed") && !events.contains("connected"));
        },
        15000);
    QTest::qWait(50); // nothing may follow
    return events;
}

void TestMailClient::delivers_data()
{
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("mechanism");
    QTest::addColumn<bool>("encrypted");
    QTest::newRow("plain, no AUTH") << QStringList{"smtp"} << ""
                                    << "" << false;
    QTest::newRow("AUTH LOGIN required") << QStringList{"smtp", "--auth", "both"} << ""
                                         << "LOGIN" << false;
    QTest::newRow("only PLAIN") << QStringList{"smtp", "--auth", "plain"} << ""
                                << "PLAIN" << false;
    QTest::newRow("through the WinGate proxy")
        << QStringList{"smtp", "--auth", "login"} << "wingate"
        << "LOGIN" << false;
    QTest::newRow("STARTTLS, AUTH after the upgrade")
        << QStringList{"smtp",   "--auth",   "both",  "--tls",   "starttls",
                       "--cert", "good.pem", "--key", "good.key"}
        << "ca require"
        << "LOGIN" << true;
    QTest::newRow("implicit TLS") << QStringList{"smtp",     "--auth",   "plain",
                                                 "--tls",    "implicit", "--cert",
                                                 "good.pem", "--key",    "good.key"}
                                  << "ca implicit require"
                                  << "PLAIN" << true;
}

void TestMailClient::delivers()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(QString, options);
    QFETCH(QString, mechanism);
    QFETCH(bool, encrypted);
    for (QString &a : serverArgs)
        if (a.endsWith(".pem") || a.endsWith(".key"))
            a = m_dir.filePath(a);
    SmtpTestServer server, proxy;
    QVERIFY2(server.start(serverArgs), qPrintable(server.error()));
    MailClient client;
    client.setProperty("server", server.hostPort());
    client.setServer(" " + server.hostPort() + " ");
    if (options.contains("wingate")) {
        QVERIFY2(proxy.start({"wingate"}), qPrintable(proxy.error()));
        client.setWingate("127.0.0.1");
        client.setWingatePort(QString::number(proxy.port()));
    }
    QString reason;
    QString error;
    QCOMPARE(client.startUp(error), result::Success);
    QCOMPARE(send(client, options, &reason), (QStringList{"connected", "ok", "disconnected"}));
    QCOMPARE(reason, QString());

    const QList<QJsonObject> messages = server.records("message");
    QCOMPARE(messages.size(), 1);
    const QJsonObject m = messages.first();
    QCOMPARE(m.value("mail_from").toString(), "me@example.com");
    QCOMPARE(m.value("rcpt_tos").toArray().toVariantList(), QVariantList{"you@example.net"});
    QCOMPARE(m.value("encrypted").toBool(), encrypted);
    const QString data = m.value("data").toString();
    QVERIFY(data.startsWith("From:  <me@example.com>\r\nTo:  <you@example.net>\r\n"
                            "Subject: Test LAN: 10.0.0.5 10.0.0.6\r\nDate: "));
    QVERIFY(data.contains("\r\nHello\r\n.hidden\r\nBye\r\n\r\n--Boundary_A"));
    const QString start = "Filename=\"blob.bin\"\r\n\r\n";
    const qsizetype from = data.indexOf(start) + start.size();
    const QString encoded = data.mid(from, data.indexOf("\r\n\r\n--Boundary_A", from) - from);
    QCOMPARE(QByteArray::fromBase64(encoded.toLatin1()), m_blob);

    const QList<QJsonObject> logins = server.records("login");
    QCOMPARE(logins.size(), mechanism.isEmpty() ? 0 : 1);
    if (!mechanism.isEmpty()) {
        QCOMPARE(logins.first().value("mechanism").toString(), mechanism);
        QCOMPARE(logins.first().value("user").toString(), "me");
        QCOMPARE(logins.first().value("password").toString(), "pw");
    }
    if (options.contains("wingate"))
        QCOMPARE(proxy.records("target").first().value("text").toString(), server.hostPort());
}

void TestMailClient::failures_data()
{
    QTest::addColumn<QStringList>("serverArgs"); // empty: nothing listens
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("reason");
    const QStringList tls{"--tls", "starttls", "--key"};
    QTest::newRow("refused port") << QStringList{} << "" << QStringList{"failed"}
                                  << "The connection to the mail server failed. Connection refused";
    QTest::newRow("server hangs up mid-dialogue")
        << QStringList{"hangup"} << "" << QStringList{"connected", "disconnected"} << "";
    QTest::newRow("server stops answering")
        << QStringList{"silent"} << "short" << QStringList{"connected", "failed", "disconnected"}
        << "The mail server did not answer within 0.4 s (waiting for the reply to EHLO).";
    QTest::newRow("certificate for another host")
        << QStringList{"smtp", "--tls", "starttls", "--cert", "wrong.pem", "--key", "wrong.key"}
        << "ca" << QStringList{"connected", "failed", "disconnected"}
        << "The mail server's certificate was refused: it was issued for another host name.";
    QTest::newRow("issuer not trusted")
        << QStringList{"smtp", "--tls", "implicit", "--cert", "good.pem", "--key", "good.key"}
        << "implicit" << QStringList{"failed"}
        << "The mail server's certificate was refused: its issuer is unknown (not trusted by this "
           "system).";
    QTest::newRow("no STARTTLS while encryption is required")
        << QStringList{"smtp", "--auth", "both"} << "require"
        << QStringList{"connected", "failed", "disconnected"}
        << "Encryption is required, but the server offers none (no STARTTLS); the password was "
           "not sent.";
}

void TestMailClient::failures()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(QString, options);
    QFETCH(QStringList, events);
    QFETCH(QString, reason);
    for (QString &a : serverArgs)
        if (a.endsWith(".pem") || a.endsWith(".key"))
            a = m_dir.filePath(a);
    SmtpTestServer server;
    QString hostPort;
    if (serverArgs.isEmpty()) {
        QTcpServer probe; // a port that was free a moment ago
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        hostPort = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    } else {
        QVERIFY2(server.start(serverArgs), qPrintable(server.error()));
        hostPort = server.hostPort();
    }
    MailClient client;
    client.setProperty("server", hostPort);
    client.setServer(hostPort);
    QString error, why;
    client.startUp(error);
    QCOMPARE(send(client, options, &why), events);
    QCOMPARE(why, reason);
    // Nothing secret went out in clear, and no message at all.
    QVERIFY(server.records("message").isEmpty());
    const QString raw = server.rawText();
    for (const char *secret : {"pw", "cHc", "AUTH", "MAIL FROM"})
        QVERIFY2(!raw.contains(secret), secret);
}

void TestMailClient::settingsRefusedAtOnce()
{
    MailClient client;
    QString error;
    QSignalSpy complete(&client, &MailClient::sendComplete);
    QCOMPARE(client.connectAndSend(error), 0); // not started up
    client.startUp(error);
    client.setServer("127.0.0.1:9");
    client.setFromEmail("me@example.com");
    client.setToEmail("nobody");
    QCOMPARE(client.connectAndSend(error), result::BadRecipient);
    QCOMPARE(error, resultText(result::BadRecipient));
    client.setToEmail("you@example.net");
    QCOMPARE(client.connectAndSend(error), result::NoMessage);
    QTest::qWait(50);
    QCOMPARE(complete.count(), 0);
}

QTEST_MAIN(TestMailClient)
#include "TestMailClient.moc"
