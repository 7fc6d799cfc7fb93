#include "MailClient.h"
#include "SmtpTestServer.h"

#include <QtTest>

using namespace mail;

// The mail client as users meet it: against Postfix in a strict private
// configuration (plain, STARTTLS and implicit TLS listeners, AUTH, a size
// limit), and against stand-ins for broken servers, all on loopback; TLS
// with a CA made here.
class TestMailClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void session_data();
    void session();

private:
    QTemporaryDir m_dir;
    SmtpTestServer m_postfix;
};

void TestMailClient::initTestCase()
{
    clearProxyEnvironment();
    const QString error = makeTestCertificates(m_dir.path());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(m_postfix.start({"postfix", "--dir", m_dir.path()}), qPrintable(m_postfix.error()));
    for (int size : {3000, 60000}) {
        QFile f(m_dir.filePath(QString::number(size)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < size; ++i)
            f.putChar(char(i * 31 % 256));
    }
}

void TestMailClient::session_data()
{
    // The server: "postfix N" (listener 0 plain, 1 STARTTLS, 2 implicit
    // TLS), smtpserver.py arguments, or "" (nothing listens).
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("result"); // "ok" or the failure's reason
    QTest::addColumn<QString>("log");    // what Postfix logged of the session
    const QString quit = "quit=1 commands=";
    QTest::newRow("STARTTLS, LOGIN after the upgrade")
        << "postfix 1"
        << "ca"
        << "ok"
        << "ehlo=2 starttls=1 auth=1 mail=1 rcpt=1 data=1 " + quit;
    QTest::newRow("implicit TLS") << "postfix 2"
                                  << "ca implicit"
                                  << "ok"
                                  << "ehlo=1 auth=1 mail=1 rcpt=1 data=1 " + quit;
    QTest::newRow("plain relay without a password") << "postfix 0"
                                                    << "nopass"
                                                    << "ok"
                                                    << "ehlo=1 mail=1 rcpt=1 data=1 " + quit;
    QTest::newRow("AUTH in clear refused")
        << "postfix 0"
        << ""
        << "The mail server offers no encryption (no STARTTLS), so the password was not sent. To "
           "send it anyway, allow the password without encryption in the e-mail settings."
        << "ehlo=1 " + quit;
    QTest::newRow("AUTH in clear allowed") << "postfix 0"
                                           << "allowplain"
                                           << "ok"
                                           << "ehlo=1 auth=1 mail=1 rcpt=1 data=1 " + quit;
    QTest::newRow("message too big: the server's words")
        << "postfix 1"
        << "ca big"
        << "The message was refused: 552 5.3.4 Error: message file too big"
        << "ehlo=2 starttls=1 auth=1 mail=1 rcpt=1 data=0/1 " + quit;
    QTest::newRow("password corrected: the next session uses it")
        << "postfix 1"
        << "ca twice"
        << "ok"
        << "ehlo=2 starttls=1 auth=1 mail=1 rcpt=1 data=1 " + quit;
    QTest::newRow("TLS port without implicit TLS")
        << "postfix 2"
        << "short"
        << "The mail server did not answer within 0.4 s (waiting for the server's greeting). If "
           "the server expects encryption from the first byte, turn on implicit TLS in the "
           "e-mail settings."
        << "";
    QTest::newRow("through the WinGate proxy") << "postfix 0"
                                               << "wingate nopass"
                                               << "ok"
                                               << "ehlo=1 mail=1 rcpt=1 data=1 " + quit;
    QTest::newRow("certificate for another host")
        << "smtp --tls starttls --cert wrong"
        << "ca"
        << "The mail server's certificate was refused: it was issued for another host name."
        << "";
    QTest::newRow("refused port") << ""
                                  << ""
                                  << "The connection to the mail server failed. Connection refused"
                                  << "";
    QTest::newRow("server hangs up mid-dialogue")
        << "hangup"
        << ""
        << "The mail server closed the connection (waiting for the reply to EHLO)."
        << "";
}

void TestMailClient::session()
{
    QFETCH(QString, server);
    QFETCH(QString, options);
    QFETCH(QString, result);
    QFETCH(QString, log);
    SmtpTestServer other, proxy;
    QString hostPort = "127.0.0.1:1"; // nothing listens on port 1 (tcpmux) of loopback
    if (server.startsWith("postfix")) {
        hostPort = m_postfix.hostPort(server.back().digitValue());
    } else if (!server.isEmpty()) {
        QVERIFY2(other.start(server.split(' ') + QStringList{"--dir", m_dir.path()}),
                 qPrintable(other.error()));
        hostPort = other.hostPort();
    }
    const qsizetype logBefore = m_postfix.records("log").size();
    const qsizetype mailsBefore = m_postfix.records("message").size();

    MailClient client;
    QStringList events;
    connect(&client, &MailClient::sendComplete, this,
            [&](bool success, const QString &why) { events << (success ? "ok" : why); });
    MailClient::Tuning tuning;
    if (options.contains("short"))
        tuning.replyTimeout = tuning.quitTimeout = std::chrono::milliseconds(400);
    if (options.contains("ca"))
        tuning.caCertificates = QSslCertificate::fromPath(m_dir.filePath("ca.pem"));
    client.setTuning(tuning);
    client.setImplicitTls(options.contains("implicit"));
    client.setAllowPlainPassword(options.contains("allowplain"));
    if (options.contains("wingate")) {
        QVERIFY2(proxy.start({"wingate"}), qPrintable(proxy.error()));
        client.setWingate("127.0.0.1");
        client.setWingatePort(QString::number(proxy.port()));
    }
    QString error;
    QCOMPARE(client.connectAndSend(error), 0); // not started up: nothing happens
    QCOMPARE(client.startUp(error), result::Success);
    client.setServer(" " + hostPort + " ");
    client.setFromEmail("me@example.com");
    client.setToEmail("you@example.net");
    client.setSubject("Test LAN: 10.0.0.5\r\n10.0.0.6\r\n");
    QString files = " " + m_dir.filePath(options.contains("big") ? "60000" : "3000") + " ";
    client.prepareEmail("Hello\r\n.hidden\r\nBye", files);
    for (const QString &password :
         options.contains("twice") ? QStringList{"old", " pw "} : QStringList{" pw "}) {
        client.setUserName("me");
        client.setPassword(options.contains("nopass") ? "" : password);
        QCOMPARE(client.connectAndSend(error), result::Success);
        QVERIFY(events.isEmpty()); // never from inside connectAndSend
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 1, 15000);
        if (options.contains("twice") && password == "old") {
            QVERIFY2(events.takeFirst().startsWith("The login was refused: 535 5.7.8"), "old");
            QTRY_VERIFY(m_postfix.records("log").size() > logBefore); // Postfix saw it end
        }
    }
    QTest::qWait(50); // nothing may follow
    QCOMPARE(events, QStringList{result});
    if (log.isEmpty())
        return;
    // Postfix counts the commands of each session; quit=1 says we said
    // goodbye (it logs "lost connection" otherwise).
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QJsonObject &o : m_postfix.records("log").mid(logBefore))
                if (o.value("text").toString().contains("disconnect from localhost[127.0.0.1] " +
                                                        log))
                    return true;
            return false;
        }(),
        5000);
    if (result != "ok") {
        QCOMPARE(m_postfix.records("message").size(), mailsBefore);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_postfix.records("message").size(), mailsBefore + 1, 5000);
    const QString data = m_postfix.records("message").last().value("data").toString();
    QCOMPARE(data.contains("using TLS"), options.contains("ca"));
    QVERIFY(data.contains("\nSubject: Test LAN: 10.0.0.5 10.0.0.6\nDate: "));
    QVERIFY(data.contains("\n\nHello\n.hidden\nBye\n\n--Boundary_A"));
    const QString start = "Filename=\"3000\"\n\n";
    const qsizetype from = data.indexOf(start) + start.size();
    const QString encoded = data.mid(from, data.indexOf("\n\n--Boundary_A", from) - from);
    QFile blob(m_dir.filePath("3000"));
    QVERIFY(blob.open(QIODevice::ReadOnly));
    QCOMPARE(QByteArray::fromBase64(encoded.toLatin1()), blob.readAll());
    if (options.contains("wingate"))
        QCOMPARE(proxy.records("target").first().value("text").toString(), hostPort);
}

QTEST_MAIN(TestMailClient)
#include "TestMailClient.moc"
