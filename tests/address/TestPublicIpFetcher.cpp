#include "PageServer.h"
#include "PublicIp.h"
#include "PublicIpFetcher.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace address;

// fetch against a real HTTP server on loopback.
class TestPublicIpFetcher : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void ipv6Server();
    void serverDown();
    void oversizedPage();
    void newRequestAbandonsOld();

private:
    QString fetch(PublicIpFetcher &f, const QString &host, int waitMs = 10000);
    PageServer m_server;
};

void TestPublicIpFetcher::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
}

QString TestPublicIpFetcher::fetch(PublicIpFetcher &f, const QString &host, int waitMs)
{
    QSignalSpy spy(&f, &PublicIpFetcher::finished);
    f.fetch(host);
    if (!spy.wait(waitMs))
        return QStringLiteral("<no answer>");
    QTest::qWait(50); // a second finished() would show up here
    if (spy.count() != 1)
        return QStringLiteral("<%1 answers>").arg(spy.count());
    return spy.at(0).at(0).toString();
}

void TestPublicIpFetcher::answers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("address") << 200 << QByteArray("Your IP address is: <b>127.0.0.1</b>")
                             << "127.0.0.1";
    QTest::newRow("no marker") << 200 << QByteArray("<html>maintenance</html>") << kUnableToParseIP;
    QTest::newRow("404") << 404 << QByteArray("Your IP address is: <b>127.0.0.1</b>")
                         << kUnableToAccessInternet;
    QTest::newRow("204 empty") << 204 << QByteArray() << kUnableToParseIP;
}

void TestPublicIpFetcher::answers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, page);
    QFETCH(QString, expected);
    m_server.setStatus(status);
    m_server.setPage(page);
    PublicIpFetcher f;
    QCOMPARE(fetch(f, m_server.hostPort()), expected);
    m_server.setStatus(200);
}

void TestPublicIpFetcher::ipv6Server()
{
    PageServer v6;
    if (!v6.start(QStringLiteral("::1")))
        QFAIL(qPrintable(QStringLiteral("IPv6 loopback needed: ") + v6.errorString()));
    v6.setAddress(QStringLiteral("::1"));
    PublicIpFetcher f;
    QCOMPARE(fetch(f, v6.hostPort()), QStringLiteral("::1"));
}

void TestPublicIpFetcher::serverDown()
{
    // A port that was just free: nobody listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    PublicIpFetcher f;
    QCOMPARE(fetch(f, QStringLiteral("127.0.0.1:%1").arg(port)), kUnableToAccessInternet);
}

void TestPublicIpFetcher::oversizedPage()
{
    QByteArray page = "Your IP address is: <b>127.0.0.1</b>";
    page += QByteArray(PublicIpFetcher::kMaxPageBytes, ' ');
    m_server.setPage(page);
    PublicIpFetcher f;
    QCOMPARE(fetch(f, m_server.hostPort()), kUnableToAccessInternet);

    // Just at the limit is still a page.
    page.truncate(PublicIpFetcher::kMaxPageBytes);
    m_server.setPage(page);
    QCOMPARE(fetch(f, m_server.hostPort()), QStringLiteral("127.0.0.1"));
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

QTEST_GUILESS_MAIN(TestPublicIpFetcher)
#include "TestPublicIpFetcher.moc"
