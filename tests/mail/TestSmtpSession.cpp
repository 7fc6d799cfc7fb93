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
};

void TestSmtpSession::dialogue_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("steps");   // S: server reply, P: prompt, C: what we send
    QTest::addColumn<QString>("outcome"); // "ok", "fail:<reason>" or "open"
    const QString start = "S:220 hi|C:EHLO mail.example|";
    const QString login = start + "S:250-mail.example\r\n250 AUTH LOGIN PLAIN|";
    const QString rest = "S:250 ok|C:RCPT TO: <you@example.net>|S:250 ok|C:DATA|S:354 go|"
                         "C:DATA-BLOCK\r\n.|S:250 queued|C:QUIT";
    const QString mailFrom = "C:MAIL FROM: <me@example.com>|";
    QTest::newRow("LOGIN and PLAIN offered: LOGIN")
        << ""
        << login +
               "C:AUTH LOGIN|S:334 VXNlcm5hbWU6|C:bWU=|S:334 UGFzc3dvcmQ6|C:c2VjcmV0|"
               "S:235 ok|" +
               mailFrom + rest
        << "ok";
    QTest::newRow("only PLAIN") << ""
                                << start +
                                       "S:250 AUTH PLAIN|C:AUTH PLAIN|S:334 |"
                                       "C:bWUAbWUAc2VjcmV0|S:235 ok|" +
                                       mailFrom + rest
                                << "ok";
    QTest::newRow("no AUTH: no login despite a password")
        << "" << start + "S:250 SIZE 1|" + mailFrom + rest << "ok";
    QTest::newRow("lower-case auth login") << "" << start + "S:250 auth login|C:AUTH LOGIN"
                                           << "open";
    QTest::newRow("missing password") << "nopass" << login << "fail:Password required.";
    QTest::newRow("EHLO refused: whole reply") << "" << start + "S:502 what"
                                               << "fail:502 what\r\n";
    QTest::newRow("550 to RCPT TO") << ""
                                    << start + "S:250 x|" + mailFrom +
                                           "S:250 ok|"
                                           "C:RCPT TO: <you@example.net>|S:550 no such user"
                                    << "fail:550";
    QTest::newRow("rejected data is still success")
        << "" << start + "S:250 x|" + mailFrom + QString(rest).replace("250 queued", "554 spam")
        << "ok";
    QTest::newRow("proxy prompt, noise before it")
        << "proxy"
        << "S:WinGate Engine|C:|P:wingate>|C:mail.example:25|" + start << "open";
    QTest::newRow("proxy answered by a number") << "proxy"
                                                << "S:220 hi"
                                                << "fail:No valid wingate.";
    QTest::newRow("STARTTLS offered: upgrade, EHLO again, old offers forgotten")
        << "require"
        << start + "S:250-STARTTLS\r\n250 AUTH LOGIN|C:STARTTLS|S:220 go|TLS|"
                   "C:EHLO mail.example|S:250 AUTH PLAIN|C:AUTH PLAIN"
        << "open";
    QTest::newRow("no STARTTLS, encryption required: no password")
        << "require" << login
        << "fail:Encryption is required, but the server offers none (no STARTTLS); the password "
           "was not sent.";
}

void TestSmtpSession::dialogue()
{
    QFETCH(QString, options);
    QFETCH(QString, steps);
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
    SmtpSession session(s);

    SmtpStep step;
    for (const QString &entry : steps.split(u'|', Qt::SkipEmptyParts)) {
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
    QTest::newRow("prompt without line end") << QList<QByteArray>{"WinGate Engine\r\nWin", "Gate>"}
                                             << QStringList{"0|WinGate Engine\r\n", "0|WinGate>"};
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

QTEST_APPLESS_MAIN(TestSmtpSession)
#include "TestSmtpSession.moc"
