#include "PageServer.h"
#include "PublicIp.h"
#include "PublicIpFetcher.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace address;

// fetch against real HTTP servers on loopback.
class TestPublicIpFetcher : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void newRequestAbandonsOld();
    void fallback();
    void rotationSpreadsRefreshes();
    void ipv6_data();
    void ipv6();
    void ipv6Failures();

private:
    QString fetch(PublicIpFetcher &f, const ServiceChoice &choice, int waitMs = 10000);
    QUrl page(const PageServer &s) const { return QUrl(s.url(QStringLiteral("/quorvel.php"))); }
    PageServer m_server;
};

void TestPublicIpFetcher::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
}

QString TestPublicIpFetcher::fetch(PublicIpFetcher &f, const ServiceChoice &choice, int waitMs)
{
    QSignalSpy spy(&f, &PublicIpFetcher::finished);
    f.fetch(choice);
    if (!spy.wait(waitMs))
        return QStringLiteral("<no answer>");
    QTest::qWait(50); // a second finished() would show up here
    if (spy.count() != 1)
        return QStringLiteral("<%1 answers>").arg(spy.count());
    return spy.at(0).at(0).toString();
}

void TestPublicIpFetcher::answers_data()
{
    QTest::addColumn<bool>("list"); // one service of a list, or a configured host's page
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("outcome"); // the result, or what the service did

    const QByteArray ip = "203.0.113.7";
    const QByteArray marked = "Your IP address is: <b>" + ip + "</b>";
    const QString no = QStringLiteral("not an address");
    QTest::newRow("page") << false << 200 << marked << QString(ip);
    QTest::newRow("page without marker")
        << false << 200 << QByteArray("<p>x</p>") << kUnableToParseIP;
    QTest::newRow("page 404") << false << 404 << marked << "status 404";
    QTest::newRow("page 204") << false << 204 << QByteArray() << kUnableToParseIP;
    QTest::newRow("page of 64 KiB") << false << 200 << marked.leftJustified(65536) << QString(ip);
    QTest::newRow("page past 64 KiB")
        << false << 200 << marked.leftJustified(65537) << "answer larger than 64 KiB";
    QTest::newRow("plain") << true << 200 << ip << QString(ip);
    QTest::newRow("line end") << true << 200 << ip + "\n" << QString(ip);
    QTest::newRow("blanks around") << true << 200 << " \t" + ip + " \r\n" << QString(ip);
    QTest::newRow("IPv6") << true << 200 << QByteArray("2001:db8::7\n") << "2001:db8::7";
    QTest::newRow("marker page") << true << 200 << marked << QString(ip);
    QTest::newRow("leading zero") << true << 200 << QByteArray("203.0.113.07") << no;
    QTest::newRow("HTML page") << true << 200 << QByteArray("<html><h1>Down</h1></html>") << no;
    QTest::newRow("captive portal")
        << true << 200 << "<html>Sign in. Your device: " + ip + "</html>" << no;
    QTest::newRow("empty body") << true << 200 << QByteArray() << no;
    QTest::newRow("204") << true << 204 << QByteArray() << no;
    QTest::newRow("301") << true << 301 << ip << "status 301";
    QTest::newRow("500") << true << 500 << ip << "status 500";
    QTest::newRow("past 4 KiB") << true << 200 << ip.leftJustified(4097)
                                << "answer larger than 4 KiB";
}

void TestPublicIpFetcher::answers()
{
    QFETCH(bool, list);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, outcome);
    m_server.setStatus(status);
    m_server.setPage(body);
    PublicIpFetcher f;
    const QString result = fetch(f, list ? ServiceChoice{{}, {page(m_server)}}
                                         : ServiceChoice{m_server.hostPort(), {}});
    m_server.setStatus(200);
    QCOMPARE(result == kUnableToAccessInternet ? f.attempts().last().outcome : result, outcome);
}

void TestPublicIpFetcher::newRequestAbandonsOld()
{
    m_server.setAddress(QStringLiteral("127.0.0.1"));
    m_server.setDelaySeconds(1);
    PublicIpFetcher f;
    QSignalSpy spy(&f, &PublicIpFetcher::finished);
    f.fetch(m_server.hostPort());
    QTest::qWait(100);
    m_server.setDelaySeconds(0);
    m_server.setAddress(QStringLiteral("127.0.0.2"));
    f.fetch(m_server.hostPort());
    QVERIFY(spy.wait(5000));
    QTest::qWait(1500); // long enough for the first answer to have come
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("127.0.0.2"));
}

void TestPublicIpFetcher::fallback()
{
    PageServer hanging, garbage;
    QVERIFY(hanging.start() && garbage.start());
    hanging.setDelaySeconds(30);
    garbage.setPage("<html>Moved</html>");
    m_server.setAddress(QStringLiteral("127.0.0.3"));
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/").arg(closedLoopbackPort()));
    PublicIpFetcher f;
    f.setTurn(0);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetch(f, {{}, {refused, page(hanging), page(garbage), page(m_server)}}), "127.0.0.3");
    QVERIFY(clock.elapsed() >= 5000 && clock.elapsed() < 6500);

    // However many hang, the refresh as a whole keeps its limit.
    f.setServiceTimeout(900);
    f.setTimeout(1000);
    clock.restart();
    QCOMPARE(fetch(f, {{}, QList<QUrl>(4, page(hanging))}), kUnableToAccessInternet);
    QVERIFY(clock.elapsed() < 1500);
    const QStringList why = f.explanation().split(u'\n'); // a heading, then one line each
    QCOMPARE(why.value(1), page(hanging).toString() + ": timed out after 0.9 s");
    QCOMPARE(why.value(4), page(hanging).toString() + ": not asked, no time left");
}

void TestPublicIpFetcher::rotationSpreadsRefreshes()
{
    PageServer other;
    QVERIFY(other.start());
    other.setAddress(QStringLiteral("127.0.0.2"));
    m_server.setAddress(QStringLiteral("127.0.0.1"));
    PublicIpFetcher f; // starting at a random one
    QStringList answers;
    for (int i = 0; i < 4; ++i)
        answers << fetch(f, {{}, {page(m_server), page(other)}});
    QCOMPARE(answers.count(QStringLiteral("127.0.0.1")), 2);
    QCOMPARE(answers.count(QStringLiteral("127.0.0.2")), 2);
}

void TestPublicIpFetcher::ipv6_data()
{
    QTest::addColumn<QString>("server"); // where it listens, and whether with TLS
    QTest::addColumn<bool>("list");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("outcome"); // the result, or what the service did

    const QByteArray v6 = "2001:db8::7";
    QTest::newRow("bare address") << "::1" << true << 200 << v6 + "\n" << QString(v6);
    QTest::newRow("page") << "::1" << false << 200 << "Your IP address is: <b>" + v6 + "</b>"
                          << QString(v6);
    QTest::newRow("IPv4 address") << "::1" << true << 200 << QByteArray("203.0.113.7")
                                  << "not an IPv6 address";
    QTest::newRow("page with an IPv4 address")
        << "::1" << false << 200 << QByteArray("Your IP address is: <b>203.0.113.7</b>")
        << kUnableToParseIP;
    QTest::newRow("500") << "::1" << true << 500 << v6 << "status 500";
    QTest::newRow("past 4 KiB") << "::1" << true << 200 << v6.leftJustified(4097)
                                << "answer larger than 4 KiB";
    QTest::newRow("untrusted certificate") << "::1 tls" << true << 200 << v6 << "certificate";
    // Reachable over IPv4 only: nothing to explain.
    QTest::newRow("service without IPv6") << "127.0.0.1" << true << 200 << v6 << kNoIpv6;
}

void TestPublicIpFetcher::ipv6()
{
    QFETCH(QString, server);
    QFETCH(bool, list);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, outcome);
    PageServer s;
    QVERIFY2(s.start(server.section(u' ', 0, 0), server.endsWith("tls")),
             qPrintable(s.errorString()));
    s.setPage(body);
    s.setStatus(status);
    PublicIpFetcher f(QAbstractSocket::IPv6Protocol);
    const QString result =
        fetch(f, list ? ServiceChoice{{}, {page(s)}} : ServiceChoice{s.hostPort(), {}});
    const QString got = result == kUnableToAccessInternet ? f.attempts().last().outcome : result;
    QVERIFY2(got.contains(outcome, Qt::CaseInsensitive), qPrintable(got));
    // Only a failure to read an address is explained, never a machine
    // without IPv6.
    QCOMPARE(f.explanation().isEmpty(), isCanonicalAddress(result) || result == kNoIpv6);
}

void TestPublicIpFetcher::ipv6Failures()
{
    PublicIpFetcher f(QAbstractSocket::IPv6Protocol);
    const QUrl refused(QStringLiteral("http://[::1]:%1/").arg(closedLoopbackPort()));
    QCOMPARE(fetch(f, {{}, {refused}}), kUnableToAccessInternet);
    QCOMPARE(f.explanation(),
             "The public IPv6 address could not be read:\n" + refused.toString() + ": refused");

    // However long a service takes, the refresh keeps its limit.
    PageServer hanging;
    QVERIFY(hanging.start(QStringLiteral("::1")));
    hanging.setDelaySeconds(30);
    f.setServiceTimeout(900);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetch(f, {{}, {page(hanging)}}), kUnableToAccessInternet);
    QVERIFY(clock.elapsed() < 1500);
    QCOMPARE(f.attempts().value(0).outcome, QStringLiteral("timed out after 0.9 s"));
    // With nothing usable to ask, IPv6 is off: quietly.
    QCOMPARE(fetch(f, {}), kNoIpv6);
    QVERIFY(f.explanation().isEmpty());
}

QTEST_GUILESS_MAIN(TestPublicIpFetcher)
#include "TestPublicIpFetcher.moc"
