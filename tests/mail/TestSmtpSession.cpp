#include "SmtpSession.h"

#include <QtTest>

using namespace mail;

// The SMTP dialogue fed with scripted server bytes, cut where the network
// may cut them; one row per way a server can go wrong.
class TestSmtpSession : public QObject
{
    Q_OBJECT
private slots:
    void dialogue_data();
    void dialogue();
};

void TestSmtpSession::dialogue_data()
{
    QTest::addColumn<QString>("options");
    // S: bytes from the server ("\n" is sent as CR LF, one more follows
    // unless the text ends with "~"); C: what we send; TLS: the handshake.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome"); // "ok", "fail:<reason>" or "open"
    const QString start = "S:220 mail.example ESMTP|C:EHLO [192.0.2.7]|";
    const QString ehlo = "S:250-mail.example\n250-AUTH PLAIN LOGIN\n250|"; // bare 250 ends it
    const QString from = "C:MAIL FROM:<me@example.com>|";
    const QString rest = from + "S:250 ok|C:RCPT TO:<you@example.net>|S:250 ok|C:DATA|S:354 go|"
                                "C:DATA-BLOCK\r\n.|S:250 queued|C:QUIT";
    QTest::newRow("LOGIN, UTF-8 password, QUIT awaited")
        << "plain"
        << start + ehlo +
               "C:AUTH LOGIN|S:334 VXNlcm5hbWU6|C:bWU=|S:334 UGFzc3dvcmQ6|"
               "C:cMOkc3M=|S:235 ok|" +
               rest + "|S:221 bye"
        << "ok";
    QTest::newRow("PLAIN with its initial response")
        << "plain"
        << start + "S:250-mail.example\n250 AUTH=PLAIN|C:AUTH PLAIN AG1lAHDDpHNz|S:235 ok|" + rest
        << "ok";
    QTest::newRow("greeting cut anywhere, no AUTH: no login")
        << ""
        << "S:2~|S:20 h~|S:i\r~|S:\n~|C:EHLO [192.0.2.7]|S:250-x\n250 SIZE 9|" + rest << "ok";
    QTest::newRow("rejected data")
        << ""
        << start + "S:250 x|" +
               QString(rest).replace("250 queued", "552 5.3.4 Error: message file too big")
        << "fail:The message was refused: 552 5.3.4 Error: message file "
           "too big";
    QTest::newRow("more after the refusal: the refusal counts")
        << "" << start + "S:250 x|" + from + "S:550 no\n250 ok\nx|C:QUIT"
        << "fail:MAIL FROM refused: 550 no";
    QTest::newRow("pipelined replies after the greeting")
        << ""
        << "S:220 hi\n250 ok\n250 ok\n354 go\n250 ok|C:QUIT"
        << "fail:The mail server answered before it was asked: 250 ok";
    QTest::newRow("354 to MAIL FROM") << "" << start + "S:250 x|" + from + "S:354 go|C:QUIT"
                                      << "fail:MAIL FROM refused: 354 go";
    QTest::newRow("550 to RCPT TO: the server's words, no escapes")
        << ""
        << start + "S:250 x|" + from +
               "S:250 ok|C:RCPT TO:<you@example.net>|"
               "S:550-5.1.1 no such\e[2J user\n550 ask elsewhere|C:QUIT"
        << "fail:RCPT TO refused: 550-5.1.1 no such?[2J user ask elsewhere";
    QTest::newRow("endless AUTH LOGIN")
        << "plain"
        << start + ehlo +
               "C:AUTH LOGIN|S:334 eA==|C:bWU=|S:334 eA==|C:cMOkc3M=|"
               "S:334 eA==|C:QUIT"
        << "fail:The mail server keeps asking for the login; the session was ended.";
    QTest::newRow("chatter without codes")
        << "" << start + "S:hello there|C:QUIT"
        << "fail:The mail server sent a line that is no SMTP reply: hello there";
    QTest::newRow("reply without end") << "" << start + "S:" + QString(3000, u'x') + "~|C:QUIT"
                                       << "fail:The mail server's reply is malformed: a reply line "
                                          "is too long.";
    QTest::newRow("endless continuation lines")
        << "" << start + "S:" + QString("250-x\n").repeated(101) + "250 x|C:QUIT"
        << "fail:The mail server's reply is malformed: a reply has too many lines.";
    QTest::newRow("502 to EHLO: HELO")
        << "" << start + "S:502 no|C:HELO [192.0.2.7]|S:250 hi|" + from << "open";
    QTest::newRow("AUTH in clear refused")
        << "" << start + ehlo + "C:QUIT|S:221 bye|"
        << "fail:The mail server offers no encryption (no "
           "STARTTLS), so the password was not sent. To send it "
           "anyway, allow the password without encryption in the "
           "e-mail settings.";
    QTest::newRow("no password: tried without login")
        << "nopass" << start + ehlo + from + "S:530 5.7.0 Authentication required|C:QUIT"
        << "fail:Password required. MAIL FROM refused: 530 5.7.0 Authentication required";
    QTest::newRow("STARTTLS: EHLO again, old offers forgotten")
        << "require"
        << start + "S:250-x\n250-STARTTLS\n250 AUTH LOGIN|C:STARTTLS|S:220 go|TLS|"
                   "C:EHLO [192.0.2.7]|S:250-x\n250 AUTH PLAIN|C:AUTH PLAIN AG1lAHDDpHNz"
        << "open";
    QTest::newRow("text injected after the reply to STARTTLS")
        << "" << start + "S:250-x\n250 STARTTLS|C:STARTTLS|S:220 go\n250 AUTH PLAIN|C:QUIT"
        << "fail:The mail server answered before it was asked: 250 AUTH PLAIN";
    QTest::newRow("no STARTTLS, encryption required")
        << "require" << start + ehlo + "C:QUIT"
        << "fail:Encryption is required, but the server offers none (no STARTTLS); nothing was "
           "sent.";
    QTest::newRow("international addresses")
        << "utf8"
        << start + "S:250-x\n250 SMTPUTF8|C:MAIL FROM:<jörg@example.com> SMTPUTF8|"
                   "S:250 ok|C:RCPT TO:<you@xn--bcher-kva.example>"
        << "open";
    QTest::newRow("international address, no SMTPUTF8")
        << "utf8" << start + "S:250 x|C:QUIT"
        << "fail:An e-mail address is not plain ASCII, and the mail server does not accept such "
           "addresses (no SMTPUTF8).";
    QTest::newRow("greeting refused") << ""
                                      << "S:554 go away|C:QUIT"
                                      << "fail:554 go away";
    QTest::newRow("proxy banner, then prompt")
        << "proxy"
        << "S:WinGate Engine|C:|S:wingate>~|C:mail.example:25|" + start << "open";
    QTest::newRow("proxy answered by a number") << "proxy"
                                                << "S:220 hi|C:"
                                                << "fail:No valid wingate.";
}

void TestSmtpSession::dialogue()
{
    QFETCH(QString, options);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);

    SmtpSessionSettings s;
    s.helloName = "[192.0.2.7]";
    s.proxyTarget = "mail.example:25";
    s.fromEmail = options.contains("utf8") ? "jörg@example.com" : "me@example.com";
    s.toEmail = options.contains("utf8") ? "you@bücher.example" : "you@example.net";
    s.messageData = "DATA-BLOCK\r\n.\r\n";
    s.userName = "me";
    if (!options.contains("nopass"))
        s.password = "päss";
    s.viaProxy = options.contains("proxy");
    s.requireEncryption = options.contains("require");
    s.allowPlainPassword = options.contains("plain");
    SmtpSession session(s);

    SmtpStep step;
    QString got = "open";
    for (const QString &entry : steps.split(u'|', Qt::SkipEmptyParts)) {
        QString text = entry.mid(2);
        if (entry.startsWith("S:")) {
            text.replace("\n", "\r\n");
            step = session.feed((text.endsWith(u'~') ? text.chopped(1) : text + "\r\n").toUtf8());
        } else if (entry == "TLS") {
            QVERIFY(step.startTls && !session.isEncrypted());
            step = session.encryptionStarted();
        } else {
            QCOMPARE(QString::fromUtf8(step.send), text.isEmpty() ? text : text + "\r\n");
        }
        if (step.finished)
            got = step.success ? "ok" : "fail:" + step.reason;
    }
    QCOMPARE(got, outcome);
    // A session that got a greeting ends only with the reply to QUIT.
    QCOMPARE(session.state() == SmtpSession::Closed,
             steps.contains("S:221 bye") || outcome.contains("wingate"));
}

QTEST_APPLESS_MAIN(TestSmtpSession)
#include "TestSmtpSession.moc"
