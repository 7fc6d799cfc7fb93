#include "AddressSource.h"
#include "ChangeActions.h"
#include "ChangeCommand.h"
#include "CommandLine.h"
#include "PageServer.h"
#include "TestEnvironment.h"
#include "WebHook.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace app;

namespace {

AddressChange change(const char *family, const char *oldIp, const char *newIp)
{
    return {family, oldIp, newIp, "host", QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC)};
}

// The text of the n-th finished() of spy, "+" for success, "-" for failure.
QString outcome(const QSignalSpy &spy, qsizetype n)
{
    const qsizetype first = spy.at(n).size() - 2; // ChangeActions adds which action
    return (spy.at(n).at(first).toBool() ? u'+' : u'-') + spy.at(n).at(first + 1).toString();
}

} // namespace

// The change command run as a real process, the web hook against a real
// HTTP server on loopback.
class TestChangeActions : public QObject
{
    Q_OBJECT
private slots:
    void splitting_data();
    void splitting();
    void hookTexts();
    void commandEnvironment();
    void commandFailures_data();
    void commandFailures();
    void oneRunAtATime();
    void onlyNewAddressesAreChanges();
    void hookPostsAndRetries();
    void hookRefusedAndTimedOut();

private:
    // An executable shell script in the test's folder; LOG in body names
    // the log file beside it.
    QString script(const char *name, QString body);
    QStringList log() const;
    TestEnvironment m_env;
    QTemporaryDir m_dir;
};

QString TestChangeActions::script(const char *name, QString body)
{
    const QString path = m_dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + body.replace("LOG", m_dir.filePath("log")).toUtf8() + '\n');
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList TestChangeActions::log() const
{
    QFile f(m_dir.filePath("log"));
    return f.open(QIODevice::ReadOnly) ? QString(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                       : QStringList();
}

void TestChangeActions::splitting_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("plain") << " nsupdate  -k /etc/key " << QStringList{"nsupdate", "-k", "/etc/key"}
                           << "";
    QTest::newRow("quoted Windows path")
        << R"("C:\Program Files\dns.exe" --v6)"
        << QStringList{R"(C:\Program Files\dns.exe)", "--v6"} << "";
    QTest::newRow("escapes inside quotes, nothing expanded")
        << R"(echo "a \"b\" \$HOME \\ \`x\`" $HOME)"
        << QStringList{"echo", R"(a "b" $HOME \ `x`)", "$HOME"} << "";
    QTest::newRow("empty and joined") << R"(a "" b"c d"e)" << QStringList{"a", "", "bc de"} << "";
    QTest::newRow("blank") << "  " << QStringList() << "";
    QTest::newRow("open quote") << R"(a "b)" << QStringList() << "a double quote is not closed";
}

void TestChangeActions::splitting()
{
    QFETCH(QString, line);
    const settings::CommandLine split = settings::splitCommandLine(line);
    QTEST(split.arguments, "arguments");
    QTEST(split.error, "error");
}

void TestChangeActions::hookTexts()
{
    for (const char *ok : {"https://hooks.example/n", "http://127.0.0.1:8/h", "http://[::1]/h",
                           "http://localhost/h"})
        QCOMPARE(webHookUrlProblem(QUrl(ok)), QString());
    for (const char *clear : {"http://192.0.2.1/h", "http://hooks.example/n", "ftp://[::1]/h"})
        QCOMPARE(webHookUrlProblem(QUrl(clear)), "only https, or http to this machine");
    QCOMPARE(webHookUrlProblem(QUrl("hooks")), "not a web address");
    QCOMPARE(redactedUrl(QUrl("https://u:pw@hooks.example/n?token=s3cret#x")),
             "https://hooks.example/n?…");
    AddressChange c = change("ipv6", "", "2001:db8::7");
    c.hostName = "h\"\\\n";
    QCOMPARE(webHookBody(c),
             R"({"family":"ipv6","old":"","new":"2001:db8::7","host":"h\"\\\u000a",)"
             R"("time":"2026-01-05T09:00:00Z"})");
}

void TestChangeActions::commandEnvironment()
{
    ChangeCommand command;
    QSignalSpy done(&command, &ChangeCommand::finished);
    const QString path = script("env", R"(printf '%s|%s|%s|%s|%s\n' "$QUORVEL_FAMILY" )"
                                       R"("$QUORVEL_OLD_IP" "$QUORVEL_NEW_IP" )"
                                       R"("$QUORVEL_HOST_NAME" "$1" > LOG)");
    command.run('"' + path + "\" \"two words\"", change("ipv6", "2001:db8::7", "2001:db8::8"));
    QVERIFY(done.wait(5000));
    QCOMPARE(outcome(done, 0), "+Change Command (ipv6): exit status 0");
    QCOMPARE(log(), QStringList{"ipv6|2001:db8::7|2001:db8::8|host|two words"});
}

void TestChangeActions::commandFailures_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("outcome"); // how the report starts
    QTest::newRow("failing") << script("fail", "echo 'update failed: REFUSED' >&2\n"
                                               "echo second >&2\nexit 3")
                             << "-Change Command (ipv4): exit status 3: update failed: REFUSED";
    QTest::newRow("hanging") << "sleep 20"
                             << "-Change Command (ipv4): killed after 0.5 s";
    QTest::newRow("missing") << "/nonexistent/update-dns"
                             << "-Change Command (ipv4): could not be started: ";
    QTest::newRow("unsplittable") << "\"dns"
                                  << "-Change Command (ipv4): cannot be run: a double quote is not "
                                     "closed";
}

void TestChangeActions::commandFailures()
{
    QFETCH(QString, line);
    QFETCH(QString, outcome);
    ChangeCommand command;
    command.setTimeout(500);
    QSignalSpy done(&command, &ChangeCommand::finished);
    QElapsedTimer clock;
    clock.start();
    command.run(line, change("ipv4", "", "203.0.113.7"));
    QVERIFY(done.count() == 1 || done.wait(5000));
    QVERIFY2(::outcome(done, 0).startsWith(outcome), qPrintable(::outcome(done, 0)));
    QVERIFY(clock.elapsed() < 3000);
}

void TestChangeActions::oneRunAtATime()
{
    QFile::remove(m_dir.filePath("log"));
    const QString path = script("slow", "mkdir LOG.lock || echo overlap >> LOG\nsleep 0.3\n"
                                        "echo \"$QUORVEL_FAMILY $QUORVEL_OLD_IP>$QUORVEL_NEW_IP\" "
                                        ">> LOG\nrmdir LOG.lock");
    ChangeCommand command;
    QSignalSpy done(&command, &ChangeCommand::finished);
    command.run(path, change("ipv4", "", "A"));
    // While it runs: a change waiting is replaced by a newer one of its
    // family, which keeps the old address the command last heard of.
    command.run(path, change("ipv4", "A", "B"));
    command.run(path, change("ipv6", "", "D"));
    command.run(path, change("ipv4", "B", "C"));
    QVERIFY(QTest::qWaitFor([&] { return done.count() == 3; }, 10000));
    QTest::qWait(500);
    QCOMPARE(log(), (QStringList{"ipv4 >A", "ipv6 >D", "ipv4 A>C"}));
}

void TestChangeActions::onlyNewAddressesAreChanges()
{
    QFile::remove(m_dir.filePath("log"));
    const QString path =
        script("record", "echo \"$QUORVEL_FAMILY $QUORVEL_OLD_IP>$QUORVEL_NEW_IP\" >> LOG");
    m_env.writeSettingsFile("[Settings]\nChange%20Command=" + path.toUtf8() + '\n');
    ChangeActions actions;
    QSignalSpy done(&actions, &ChangeActions::finished);
    const auto refresh = [&](const char *ip, const char *ipv6, int runs) {
        actions.refreshed({"host", ip, "", {}, {}, ipv6, {}});
        return QTest::qWaitFor([&] { return done.count() == runs; }, 5000);
    };
    QVERIFY(refresh("203.0.113.7", "(no IPv6)", 1));
    // Losing the connection and getting the same address back tells nothing.
    QVERIFY(refresh("(unable to access Internet)", "(unable to access Internet)", 1));
    QVERIFY(refresh("203.0.113.7", "2001:db8::7", 2));
    QVERIFY(refresh("203.0.113.8", "2001:db8::7", 3));
    QTest::qWait(200);
    QCOMPARE(log(), (QStringList{"ipv4 >203.0.113.7", "ipv6 >2001:db8::7",
                                 "ipv4 203.0.113.7>203.0.113.8"}));
}

void TestChangeActions::hookPostsAndRetries()
{
    PageServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    WebHook hook;
    qint64 now = 0;
    hook.setClock([&] { return now; });
    hook.setUrl(server.url("/hook?token=s3cret"));
    QSignalSpy done(&hook, &WebHook::finished);
    const AddressChange first = change("ipv4", "203.0.113.7", "203.0.113.8");
    hook.notify(first);
    QVERIFY(done.wait(5000));
    QCOMPARE(outcome(done, 0), "+Change Web Hook (ipv4): ok");
    QCOMPARE(server.postedBodies(), QByteArrayList{webHookBody(first)});

    // A receiver that fails is called again by the mail's rule, each
    // family on its own.
    server.setStatus(500);
    const AddressChange second = change("ipv4", "203.0.113.8", "203.0.113.9");
    hook.notify(second);
    QVERIFY(done.wait(5000));
    QCOMPARE(outcome(done, 1), "-Change Web Hook (ipv4): status 500 (trying again in 1 min)");
    server.setStatus(200);
    hook.notify(change("ipv6", "", "2001:db8::7"));
    QVERIFY(done.wait(5000));
    QCOMPARE(outcome(done, 2), "+Change Web Hook (ipv6): ok");
    now += 59000;
    hook.refreshed();
    QVERIFY(!done.wait(300));
    now += 1000;
    hook.refreshed();
    QVERIFY(done.wait(5000));
    QCOMPARE(outcome(done, 3), "+Change Web Hook (ipv4): ok");
    QCOMPARE(server.postedBodies().mid(1),
             (QByteArrayList{webHookBody(second), webHookBody(change("ipv6", "", "2001:db8::7")),
                             webHookBody(second)}));
}

void TestChangeActions::hookRefusedAndTimedOut()
{
    WebHook hook;
    QSignalSpy done(&hook, &WebHook::finished);
    hook.setUrl("http://192.0.2.1/hook?token=s3cret");
    hook.notify(change("ipv4", "", "203.0.113.7"));
    QCOMPARE(outcome(done, 0), "-Change Web Hook (ipv4): not sent to http://192.0.2.1/hook?…: "
                               "only https, or http to this machine");

    PageServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    server.setDelaySeconds(5);
    hook.setUrl(server.url("/hook"));
    hook.setTimeout(300);
    QElapsedTimer clock;
    clock.start();
    hook.notify(change("ipv6", "", "2001:db8::7"));
    QVERIFY(done.wait(5000));
    QCOMPARE(outcome(done, 1),
             "-Change Web Hook (ipv6): no answer within 0.3 s (trying again in 1 min)");
    QVERIFY(clock.elapsed() < 2000);
}

QTEST_GUILESS_MAIN(TestChangeActions)
#include "TestChangeActions.moc"
