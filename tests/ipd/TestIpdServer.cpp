#include "IpdTestPeers.h"

#include <QtTest>

#include <memory>
#include <vector>

// quorvel-ipd over real loopback sockets: what it answers to each kind of
// request, when it keeps a connection, whom it believes behind a proxy, and
// how it stops.
class TestIpdServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void requests_data();
    void requests();
    void clientAddress_data();
    void clientAddress();
    void connectionsSpreadOverThreads();
    void stopsOnSigterm();

private:
    // Trusts 127.0.0.1 as a proxy, not ::1, so one server shows both sides.
    LoopbackServer m_ipd;
};

void TestIpdServer::initTestCase()
{
    QVERIFY2(m_ipd.startIpd({"127.0.0.1", "::1"}, {"--threads", "1", "--trust-proxy", "127.0.0.1",
                                                   "--proxy-header", "X-Forwarded-For"}),
             qPrintable(m_ipd.errorString()));
}

void TestIpdServer::requests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("page");     // the answer shows the address
    QTest::addColumn<bool>("keptOpen"); // a request right behind it is answered too

    const auto row = [](const char *name, const QByteArray &line, const QByteArray &fields,
                        int status, bool page, bool kept) {
        QTest::newRow(name) << line + "\r\nHost: quorvel.test\r\n" + fields + "\r\n"
                            << status << page << kept;
    };
    // HEAD is kept open: a body after its header would break the next answer.
    row("GET", "GET /quorvel.php HTTP/1.1", "", 200, true, true);
    row("HEAD", "HEAD /quorvel.php HTTP/1.1", "", 200, false, true);
    row("query ignored", "GET /quorvel.php?nocache=42 HTTP/1.1", "", 200, true, true);
    row("absolute form", "GET http://quorvel.test/quorvel.php HTTP/1.1", "", 200, true, true);
    row("HTTP/1.0 closes", "GET /quorvel.php HTTP/1.0", "", 200, true, false);
    row("HTTP/1.0 keep-alive", "GET /quorvel.php HTTP/1.0", "Connection: keep-alive\r\n", 200, true,
        true);
    row("Connection: close", "GET /quorvel.php HTTP/1.1", "Connection: close\r\n", 200, true,
        false);
    row("root: the bare address", "GET / HTTP/1.1", "", 200, false, true);
    row("longer name", "GET /quorvel.php.bak HTTP/1.1", "", 404, false, true);
    row("page name as host", "GET http://quorvel.php/x HTTP/1.1", "", 404, false, true);
    row("POST elsewhere: path first", "POST /x HTTP/1.1", "Content-Length: 0\r\n", 404, false,
        true);
    row("POST", "POST /quorvel.php HTTP/1.1", "Content-Length: 0\r\n", 405, false, true);
    row("unknown method", "BREW /quorvel.php HTTP/1.1", "", 405, false, true);
    row("100 fields", "GET /quorvel.php HTTP/1.1", QByteArray("a:\r\n").repeated(99), 200, true,
        true);
    // A body the server does not read cannot be told from the next request.
    row("POST with body", "POST /quorvel.php HTTP/1.1", "Content-Length: 5\r\n\r\nhello", 405,
        false, false);
}

void TestIpdServer::requests()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(bool, page);
    QFETCH(bool, keptOpen);

    QTcpSocket c;
    QVERIFY(connectTo(c, "127.0.0.1", m_ipd.port()));
    // A second request right behind the first, as a kept-alive client may
    // send it: answered only when the connection is kept.
    const Reply r = exchange(c, request + pageRequest());
    QVERIFY2(r.status == status, r.head.constData());
    QCOMPARE(r.field("cache-control"), QByteArray("no-store"));
    QCOMPARE(r.body.contains("Your IP address is: <b>127.0.0.1</b>"), page);
    if (status == 405)
        QCOMPARE(r.field("allow"), QByteArray("GET, HEAD"));
    const Reply next = exchange(c, {});
    if (!keptOpen) {
        QCOMPARE(r.field("connection"), QByteArray("close"));
        QVERIFY2(next.status == 0 && closedByPeer(c, 3000), next.head.constData());
        return;
    }
    // An HTTP/1.0 client closes unless told the connection stays.
    if (request.contains("HTTP/1.0"))
        QCOMPARE(r.field("connection").toLower(), QByteArray("keep-alive"));
    QVERIFY2(next.status == 200 && next.body.contains("<b>127.0.0.1</b>"), next.head.constData());
}

void TestIpdServer::clientAddress_data()
{
    QTest::addColumn<QString>("via");
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QString>("shown");

    // Two lines count as one list, in order; the proxy's own hop is skipped.
    QTest::newRow("proxy, X-Forwarded-For")
        << "127.0.0.1"
        << QByteArray(
               "X-Forwarded-For: 198.51.100.1\r\nX-Forwarded-For: 203.0.113.7, 127.0.0.1\r\n")
        << "203.0.113.7";
    // Only the header the operator named: the other may be the client's own.
    QTest::newRow("proxy, X-Real-IP not named")
        << "127.0.0.1" << QByteArray("X-Real-IP: 2001:db8::7\r\n") << "127.0.0.1";
    QTest::newRow("proxy, no field") << "127.0.0.1" << QByteArray() << "127.0.0.1";
    // Shown, the proxy's own address would pass for the client's.
    QTest::newRow("proxy, junk: refused")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: junk\r\n") << "";
    QTest::newRow("forged X-Forwarded-For")
        << "::1" << QByteArray("X-Forwarded-For: 203.0.113.7\r\n") << "::1";
    QTest::newRow("forged X-Real-IP") << "::1" << QByteArray("X-Real-IP: 203.0.113.7\r\n") << "::1";
}

void TestIpdServer::clientAddress()
{
    QFETCH(QString, via);
    QFETCH(QByteArray, fields);
    QFETCH(QString, shown);
    const Reply r = fetch(via, m_ipd.port(), pageRequest("GET", fields));
    QCOMPARE(r.status, shown.isEmpty() ? 400 : 200);
    QVERIFY2(r.body.contains(shown.isEmpty()
                                 ? QByteArray("Bad Request")
                                 : "Your IP address is: <b>" + shown.toLatin1() + "</b>"),
             r.body.constData());
}

void TestIpdServer::connectionsSpreadOverThreads()
{
    // Each of two threads may hold 10 of the 20 allowed connections. A burst
    // of 16 fits only if it is spread over both; piled on one thread, 6 of
    // them would be closed to make room.
    LoopbackServer ipd;
    QVERIFY2(ipd.startIpd({"127.0.0.1"}, {"--threads", "2", "--max-connections", "20"}),
             qPrintable(ipd.errorString()));
    std::vector<std::unique_ptr<QTcpSocket>> burst;
    for (int i = 0; i < 16; ++i) {
        burst.push_back(std::make_unique<QTcpSocket>());
        QVERIFY(connectTo(*burst.back(), "127.0.0.1", ipd.port()));
    }
    QTest::qWait(200);
    int answered = 0;
    for (auto &c : burst)
        answered += exchange(*c, pageRequest()).status == 200 ? 1 : 0;
    QCOMPARE(answered, 16);
}

void TestIpdServer::stopsOnSigterm()
{
    // With a client still connected: it ends by itself, at once,
    // successfully, and the client sees its connection closed.
    LoopbackServer ipd;
    QVERIFY2(ipd.startIpd({"127.0.0.1"}), qPrintable(ipd.errorString()));
    QTcpSocket kept;
    QVERIFY(connectTo(kept, "127.0.0.1", ipd.port()));
    QCOMPARE(exchange(kept, pageRequest()).status, 200);
    ipd.process().terminate();
    QVERIFY2(ipd.process().waitForFinished(3000), "quorvel-ipd did not stop on SIGTERM");
    QCOMPARE(ipd.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(ipd.process().exitCode(), 0);
    QVERIFY(closedByPeer(kept, 1000));
}

QTEST_GUILESS_MAIN(TestIpdServer)
#include "TestIpdServer.moc"
