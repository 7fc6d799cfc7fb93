#include "IpdTestPeers.h"
#include "PublicIpFetcher.h"

#include <QSignalSpy>
#include <QtTest>

// The program's own GetPublicIP against each form of the service we ship:
// quorvel-ipd, nginx with deploy/nginx-quorvel.conf, and PHP's built-in
// server with deploy/quorvel.php, each started here on loopback. A form that
// cannot be started fails its rows, naming what is missing: skipped, a
// broken deploy file would go unnoticed.
class TestIpServiceForms : public QObject
{
    Q_OBJECT
private slots:
    void readsBackLoopback_data();
    void readsBackLoopback();
};

void TestIpServiceForms::readsBackLoopback_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("host");
    for (const char *form : {"quorvel-ipd", "nginx", "php"}) {
        for (const char *host : {"127.0.0.1", "::1"})
            QTest::addRow("%s %s", form, host) << QString(form) << QString(host);
    }
}

void TestIpServiceForms::readsBackLoopback()
{
    QFETCH(QString, form);
    QFETCH(QString, host);

    LoopbackServer server;
    const bool started = form == "nginx" ? server.startNginx()
                         : form == "php" ? server.startPhp(host)
                                         : server.startIpd({host});
    QVERIFY2(started, qPrintable(server.errorString()));

    // Exactly what the program does with "IP Service Host" = host:port.
    address::PublicIpFetcher fetcher;
    QSignalSpy spy(&fetcher, &address::PublicIpFetcher::finished);
    fetcher.fetch(hostPort(host, server.port()));
    QVERIFY2(spy.wait(10000), "no answer within 10 s");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), host);

    // The page is about the connection that asked: nobody may keep a copy.
    const Reply get = fetch(host, server.port(), pageRequest());
    QCOMPARE(get.status, 200);
    QVERIFY2(get.field("cache-control").contains("no-store"), get.head.constData());
    // Only ever read: anything else is refused and shows no address.
    const Reply post = fetch(host, server.port(), pageRequest("POST", "Content-Length: 0\r\n"));
    QVERIFY2(post.status == 405 && !post.body.contains("<b>"), post.head.constData());

    // quorvel-ipd stands in a list of plain address services too.
    if (form == "quorvel-ipd") {
        fetcher.fetch(
            address::ServiceChoice{{}, {QUrl("http://" + hostPort(host, server.port()) + "/ip")}});
        QVERIFY(spy.wait(10000) && spy.last().at(0).toString() == host);
    }
}

QTEST_GUILESS_MAIN(TestIpServiceForms)
#include "TestIpServiceForms.moc"
