#include "PageServer.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <csignal>

// The built programs, run as a user runs them.
class TestPrograms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cliPrintsTheThreeValues();
    void cliUsage_data();
    void cliUsage();
    void secondStartEndsSilently();
    void crashedRunDoesNotBlockNextStart();
    void cliExplainsWhyNoAddress(); // last: it leaves a list that finds no address

private:
    QProcess *startProgram();
    QString lockFile() const;

    TestEnvironment m_env;
    PageServer m_server;
    QList<QProcess *> m_programs;
};

void TestPrograms::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    m_server.setAddress(QStringLiteral("127.0.0.1"));
    m_env.setLoopbackServices(m_server.hostPort(), m_server.url(QStringLiteral("/home")));
    settings::SettingsStore().setValue(settings::keys::DontAskConfirmation, "1");
    QVERIFY2(QFileInfo::exists(QStringLiteral(QUORVEL_BIN_DIR "/quorvel")),
             "build the quorvel program first");
}

void TestPrograms::cliPrintsTheThreeValues()
{
    QProcess cli;
    cli.start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-cli"), {QStringLiteral("ip")});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(cli.readAllStandardOutput()).split(u'\n');
    QVERIFY2(lines.size() >= 4, qPrintable(lines.join(u'|')));
    QCOMPARE(lines[0], QStringLiteral("Host Name: ") + QSysInfo::machineHostName());
    QCOMPARE(lines[1], QStringLiteral("IP Internet: 127.0.0.1"));
    // The host asked for IPv4 has no IPv6 address: nothing to say.
    QCOMPARE(lines[2], QStringLiteral("IP Internet (IPv6): (no IPv6)"));
    QVERIFY(cli.readAllStandardError().isEmpty());
    QCOMPARE(lines[3], QStringLiteral("LAN IP Address: "));
    QCOMPARE(lines.last(), QString()); // ends with a line break
    // IPv4 addresses first, then IPv6 ones, never one of the link only.
    bool ipv6 = false;
    for (const QString &lan : lines.mid(4, lines.size() - 5)) {
        const QHostAddress a(lan);
        ipv6 = ipv6 || a.protocol() == QAbstractSocket::IPv6Protocol;
        QVERIFY2(!a.isNull() && !a.isLinkLocal() &&
                     ipv6 == (a.protocol() == QAbstractSocket::IPv6Protocol),
                 qPrintable(lan));
    }
    QCOMPARE(m_server.requestedPaths().count("/quorvel.php"), 1);
}

void TestPrograms::cliUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("none") << QStringList{} << 2;
    QTest::newRow("unknown") << QStringList{"nonsense"} << 2;
    QTest::newRow("ip takes no arguments") << QStringList{"ip", "x"} << 2;
    QTest::newRow("watch: interval below 3 s") << QStringList{"watch", "--interval", "0.04"} << 2;
    QTest::newRow("watch: no interval") << QStringList{"watch", "--interval"} << 2;
    QTest::newRow("send-test-mail takes no arguments") << QStringList{"send-test-mail", "x"} << 2;
    QTest::newRow("help") << QStringList{"--help"} << 0;
}

void TestPrograms::cliUsage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QProcess cli;
    cli.start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-cli"), args);
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitCode(), status);
    const QByteArray text = status == 0 ? cli.readAllStandardOutput() : cli.readAllStandardError();
    QVERIFY2(text.startsWith("Usage: quorvel-cli COMMAND") && text.contains("\n  ip "),
             text.constData());
}

QString TestPrograms::lockFile() const
{
    return QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")) + QStringLiteral("/quorvel.lock");
}

QProcess *TestPrograms::startProgram()
{
    auto *p = new QProcess(this);
    m_programs << p;
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel"));
    p->waitForStarted(5000);
    return p;
}

void TestPrograms::secondStartEndsSilently()
{
    QProcess *first = startProgram();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockFile()), 5000);
    QProcess *second = startProgram();
    QVERIFY(second->waitForFinished(5000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->readAll(), QByteArray());
    QCOMPARE(first->state(), QProcess::Running);
    first->terminate();
    QVERIFY(first->waitForFinished(5000));
}

void TestPrograms::crashedRunDoesNotBlockNextStart()
{
    QProcess *first = startProgram();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockFile()), 5000);
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(QFileInfo::exists(lockFile())); // the crash left its lock behind

    QProcess *next = startProgram();
    QVERIFY(!next->waitForFinished(2000)); // still running: it took over
    next->terminate();
    QVERIFY(next->waitForFinished(5000));
}

void TestPrograms::cliExplainsWhyNoAddress()
{
    settings::SettingsStore().setValue(settings::keys::IPServiceHost, QString());
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closedLoopbackPort());
    const QString garbage = m_server.url(QStringLiteral("/quorvel.php"));
    settings::SettingsStore().setValue(settings::keys::IPServices, refused + " , " + garbage);
    m_server.setPage("<html>Please log in</html>");
    QProcess cli;
    cli.start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-cli"), {QStringLiteral("ip")});
    QVERIFY(cli.waitForFinished(20000));
    QVERIFY(cli.readAllStandardOutput().contains("\nIP Internet: (unable to access Internet)\n"));
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QVERIFY2(err.contains(refused + ": refused\n") && err.contains(garbage + ": not an address\n"),
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TestPrograms)
#include "TestPrograms.moc"
