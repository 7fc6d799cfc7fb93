#include "SmtpReplyReader.h"
#include "SmtpSession.h"

#include <QtTest>

using namespace mail;

// The SMTP dialogue reply by reply, and the assembly of replies from reads
// cut anywhere.
class TestSmtpSession : public QObject
{
    Q_OBJECT
private slots:
    void dialogue_data();
    void dialogue();
    void replyAssembly_data();
    void replyAssembly();
    void plainTokenMadeOnce();
};

namespace {

const QString kData = "DATA-BLOCK\r\n.";
const QStringList kToTheEnd{"S:250 sender ok", "C:RCPT TO: <you@example.net>",
                            "S:250 rcpt ok",   "C:DATA",
                            "S:354 go",        "C:" + kData,
                            "S:250 queued",    "C:QUIT"};

QStringList script(std::initializer_list<QString> head, const QStringList &tail = kToTheEnd)
{
    return QStringList(head) + tail;
}

} // namespace

void TestSmtpSession::dialogue_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("steps"); // S: server reply, C: what we send
    QTest::addColumn<QString>("outcome");   // "ok", "fail:<reason>" or "open"

    const QString ehloLogin = "S:250-mail.example\r\n250-SIZE 100\r\n250 AUTH LOGIN PLAIN";
    QTest::newRow("LOGIN and PLAIN offered: LOGIN")
        << ""
        << script({"S:220 hi", "C:EHLO mail.example", ehloLogin, "C:AUTH LOGIN",
                   "S:334 VXNlcm5hbWU6", "C:bWU=", "S:334 UGFzc3dvcmQ6", "C:c2VjcmV0", "S:235 ok",
                   "C:MAIL FROM: <me@example.com>"})
        << "ok";
    QTest::newRow("only PLAIN") << ""
                                << script({"S:220 hi", "C:EHLO mail.example",
                                           "S:250-x\r\n250 AUTH PLAIN", "C:AUTH PLAIN", "S:334 ",
                                           "C:bWUAbWUAc2VjcmV0", "S:235 ok",
                                           "C:MAIL FROM: <me@example.com>"})
                                << "ok";
    QTest::newRow("no AUTH: no login despite a password")
        << ""
        << script({"S:220 hi", "C:EHLO mail.example", "S:250-x\r\n250 SIZE 1",
                   "C:MAIL FROM: <me@example.com>"})
        << "ok";
    QTest::newRow("lower-case auth login")
        << "" << script({"S:220 hi", "C:EHLO mail.example", "S:250 auth login", "C:AUTH LOGIN"}, {})
        << "open";
    QTest::newRow("challenge neither user nor pass: silence")
        << ""
        << script(
               {"S:220 hi", "C:EHLO mail.example", ehloLogin, "C:AUTH LOGIN", "S:334 Zm9v", "C:"},
               {})
        << "open";
    QTest::newRow("missing password")
        << "nopass" << script({"S:220 hi", "C:EHLO mail.example", ehloLogin}, {})
        << "fail:Password required.";
    QTest::newRow("greeting refused") << "" << QStringList{"S:554 go away"} << "fail:554";
    QTest::newRow("EHLO refused: whole reply")
        << "" << QStringList{"S:220 hi", "C:EHLO mail.example", "S:502 what"}
        << "fail:502 what\r\n";
    QTest::newRow("login refused: whole reply")
        << ""
        << script({"S:220 hi", "C:EHLO mail.example", ehloLogin, "C:AUTH LOGIN", "S:535 5.7.8 bad"},
                  {})
        << "fail:535 5.7.8 bad\r\n";
    QTest::newRow("550 to RCPT TO")
        << ""
        << script({"S:220 hi", "C:EHLO mail.example", "S:250 x", "C:MAIL FROM: <me@example.com>",
                   "S:250 ok", "C:RCPT TO: <you@example.net>", "S:550 no such user"},
                  {})
        << "fail:550";
    QTest::newRow("rejected data is still success")
        << ""
        << script({"S:220 hi", "C:EHLO mail.example", "S:250 x", "C:MAIL FROM: <me@example.com>",
                   "S:250 ok", "C:RCPT TO: <you@example.net>", "S:250 ok", "C:DATA", "S:354 go",
                   "C:" + kData, "S:554 spam", "C:QUIT"},
                  {})
        << "ok";
    QTest::newRow("header right after DATA")
        << "header"
        << script({"S:220 hi", "C:EHLO mail.example", "S:250 x", "C:MAIL FROM: <me@example.com>",
                   "S:250 ok", "C:RCPT TO: <you@example.net>", "S:250 ok", "C:DATA\r\nX-Extra: 1"},
                  {})
        << "open";
    QTest::newRow("identifier without @ names EHLO")
        << "msgid" << script({"S:220 hi", "C:EHLO local-id"}, {}) << "open";
    QTest::newRow("proxy prompt") << "proxy"
                                  << script({"P:WinGate>", "C:mail.example:25", "S:220 hi",
                                             "C:EHLO mail.example"},
                                            {})
                                  << "open";
    QTest::newRow("proxy noise before the prompt")
        << "proxy" << script({"S:WinGate Engine 6", "C:", "P:wingate>", "C:mail.example:25"}, {})
        << "open";
    QTest::newRow("proxy answered by a number")
        << "proxy" << QStringList{"S:220 hi"} << "fail:No valid wingate.";
    QTest::newRow("STARTTLS offered: upgrade, EHLO again, old offers forgotten")
        << "require"
        << script({"S:220 hi", "C:EHLO mail.example", "S:250-STARTTLS\r\n250 AUTH LOGIN",
                   "C:STARTTLS", "S:220 go ahead", "TLS", "C:EHLO mail.example", "S:250 AUTH PLAIN",
                   "C:AUTH PLAIN"},
                  {})
        << "open";
    QTest::newRow("STARTTLS refused") << ""
                                      << script({"S:220 hi", "C:EHLO mail.example",
                                                 "S:250 STARTTLS", "C:STARTTLS", "S:454 not now"},
                                                {})
                                      << "fail:The server refused to start encryption: 454 not now";
    QTest::newRow("no STARTTLS, encryption required: no password")
        << "require" << script({"S:220 hi", "C:EHLO mail.example", ehloLogin}, {})
        << "fail:Encryption is required, but the server offers none (no STARTTLS); the password "
           "was not sent.";
    QTest::newRow("no STARTTLS, no AUTH, encryption required: no message")
        << "require" << script({"S:220 hi", "C:EHLO mail.example", "S:250 SIZE 1"}, {})
        << "fail:Encryption is required, but the server offers none (no STARTTLS); nothing was "
           "sent.";
    QTest::newRow("implicit TLS ignores a STARTTLS offer")
        << "implicit require"
        << script({"S:220 hi", "C:EHLO mail.example", "S:250-STARTTLS\r\n250 SIZE 1",
                   "C:MAIL FROM: <me@example.com>"},
                  {})
        << "open";
}

void TestSmtpSession::dialogue()
{
    QFETCH(QString, options);
    QFETCH(QStringList, steps);
    QFETCH(QString, outcome);

    SmtpSessionSettings s;
    s.serverHost = "mail.example";
    s.proxyTarget = "mail.example:25";
    s.fromEmail = "me@example.com";
    s.toEmail = "you@example.net";
    s.messageData = "DATA-BLOCK\r\n.\r\n";
    s.login.setUserName("me");
    if (!options.contains("nopass"))
        s.login.setPassword("secret");
    s.viaProxy = options.contains("proxy");
    s.requireEncryption = options.contains("require");
    s.implicitTls = options.contains("implicit");
    if (options.contains("header"))
        s.messageHeader = "X-Extra: 1\r\n";
    if (options.contains("msgid"))
        s.messageId = "local-id";
    SmtpSession session(s);

    SmtpStep step;
    for (const QString &entry : steps) {
        const QString text = entry.mid(2);
        if (entry.startsWith("S:")) {
            step = session.handleReply({replyCode(text), text + "\r\n"});
        } else if (entry.startsWith("P:")) {
            step = session.handleReply({0, text});
        } else if (entry == "TLS") {
            QVERIFY(step.startTls);
            QVERIFY(!session.isEncrypted());
            step = session.encryptionStarted();
        } else {
            QCOMPARE(QString::fromLatin1(step.send), text.isEmpty() ? text : text + "\r\n");
        }
    }
    QCOMPARE(step.finished, outcome != "open");
    if (step.finished)
        QCOMPARE(step.success ? QString("ok") : "fail:" + step.reason, outcome);
}

void TestSmtpSession::replyAssembly_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("replies"); // "code|text"
    QTest::newRow("greeting cut anywhere")
        << QList<QByteArray>{"2", "20 h", "i\r", "\n"} << QStringList{"220|220 hi\r\n"};
    QTest::newRow("two replies in one read")
        << QList<QByteArray>{"250 a\r\n354 b\r\n"} << QStringList{"250|250 a\r\n", "354|354 b\r\n"};
    QTest::newRow("multi-line over reads") << QList<QByteArray>{"250-a\r\n250-b", "\r\n250 c\r\n"}
                                           << QStringList{"250|250-a\r\n250-b\r\n250 c\r\n"};
    QTest::newRow("bare code ends a reply")
        << QList<QByteArray>{"250-a\r\n250\r\n"} << QStringList{"250|250-a\r\n250\r\n"};
    QTest::newRow("prompt without line end") << QList<QByteArray>{"WinGate Engine\r\nWin", "Gate>"}
                                             << QStringList{"0|WinGate Engine\r\n", "0|WinGate>"};
    QTest::newRow("numbered text mentioning the prompt waits for its end")
        << QList<QByteArray>{"220 WinGate>"} << QStringList{};
}

void TestSmtpSession::replyAssembly()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, replies);
    SmtpReplyReader reader;
    QStringList got;
    for (const QByteArray &read : reads)
        for (const SmtpReply &r : reader.feed(read))
            got << QString::number(r.code) + "|" + r.text;
    QCOMPARE(got, replies);

    // A reply that never ends is not followed forever.
    QVERIFY(reader.feed(QByteArray(SmtpReplyReader::kMaxReplyBytes + 1, '-')).isEmpty());
    QVERIFY(reader.feed("250 late\r\n").isEmpty());
    QVERIFY(reader.overflowed());
}

void TestSmtpSession::plainTokenMadeOnce()
{
    SmtpLogin login;
    login.setPassword("p");
    login.deriveFromSender("alice@example.com");
    QCOMPARE(login.userName(), "alice");
    QCOMPARE(QByteArray::fromBase64(login.plainToken().toLatin1()),
             QByteArray("alice\0alice\0p", 13));
    login.setPassword("q");
    login.setUserName("bob");
    QCOMPARE(QByteArray::fromBase64(login.plainToken().toLatin1()),
             QByteArray("alice\0alice\0p", 13));
    QCOMPARE(login.base64Password(), "cQ==");
    QCOMPARE(login.base64UserName(), "Ym9i");
}

QTEST_APPLESS_MAIN(TestSmtpSession)
#include "TestSmtpSession.moc"
