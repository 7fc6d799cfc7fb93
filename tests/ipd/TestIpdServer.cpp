#include "IpdTestPeers.h"

#include <QTcpServer>
#include <QtTest>

#include <memory>
#include <vector>

// quorvel-ipd over real loopback sockets: what it answers to each kind of
// request, when it keeps a connection, whom it believes behind a proxy,
// what it logs and how it stops.
class TestIpdServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void requests_data();
    void requests();
    void pipelined();
    void connectionsSpreadOverThreads();
    void clientAddress_data();
    void clientAddress();
    void countersAndCleanStop();
    void commandLine_data();
    void commandLine();

private:
    IpdProcess m_plain;   // no trusted proxies
    IpdProcess m_proxied; // trusts 127.0.0.1, not ::1
};

void TestIpdServer::initTestCase()
{
    QVERIFY2(m_plain.start({"--listen", "127.0.0.1:0", "--threads", "2"}),
             qPrintable(m_plain.errorString()));
    QVERIFY2(m_proxied.start({"--listen", "127.0.0.1:0", "--listen", "[::1]:0", "--threads", "1",
                              "--trust-proxy", "127.0.0.1"}),
             qPrintable(m_proxied.errorString()));
}

void TestIpdServer::requests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("page");     // the answer carries the address
    QTest::addColumn<bool>("keptOpen"); // the connection takes another request

    const QByteArray host = "Host: quorvel.test\r\n";
    QTest::newRow("GET") << QByteArray("GET /quorvel.php HTTP/1.1\r\n" + host + "\r\n") << 200
                         << true << true;
    QTest::newRow("GET with query")
        << QByteArray("GET /quorvel.php?nocache=42 HTTP/1.1\r\n" + host + "\r\n") << 200 << true
        << true;
    QTest::newRow("absolute form")
        << QByteArray("GET http://quorvel.test/quorvel.php HTTP/1.1\r\n" + host + "\r\n") << 200
        << true << true;
    QTest::newRow("HEAD") << QByteArray("HEAD /quorvel.php HTTP/1.1\r\n" + host + "\r\n") << 200
                          << false << true;
    QTest::newRow("HTTP/1.0 closes")
        << QByteArray("GET /quorvel.php HTTP/1.0\r\n\r\n") << 200 << true << false;
    QTest::newRow("HTTP/1.0 keep-alive")
        << QByteArray("GET /quorvel.php HTTP/1.0\r\nConnection: keep-alive\r\n\r\n") << 200 << true
        << true;
    QTest::newRow("Connection: close")
        << QByteArray("GET /quorvel.php HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n") << 200
        << true << false;
    QTest::newRow("other path") << QByteArray("GET / HTTP/1.1\r\n" + host + "\r\n") << 404 << false
                                << true;
    QTest::newRow("other path, POST")
        << QByteArray("POST /upload HTTP/1.1\r\n" + host + "Content-Length: 0\r\n\r\n") << 404
        << false << true;
    QTest::newRow("POST, no body")
        << QByteArray("POST /quorvel.php HTTP/1.1\r\n" + host + "Content-Length: 0\r\n\r\n") << 405
        << false << true;
    QTest::newRow("DELETE") << QByteArray("DELETE /quorvel.php HTTP/1.1\r\n" + host + "\r\n") << 405
                            << false << true;
    QTest::newRow("unknown method")
        << QByteArray("BREW /quorvel.php HTTP/1.1\r\n" + host + "\r\n") << 405 << false << true;
    // A body we do not read cannot be told from the next request: the
    // connection must end after the answer.
    QTest::newRow("POST with body")
        << QByteArray("POST /quorvel.php HTTP/1.1\r\n" + host + "Content-Length: 5\r\n\r\nhello")
        << 405 << false << false;
    QTest::newRow("chunked body")
        << QByteArray("POST /quorvel.php HTTP/1.1\r\n" + host +
                      "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
        << 405 << false << false;
}

void TestIpdServer::requests()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(bool, page);
    QFETCH(bool, keptOpen);

    RawClient c(m_plain.host(0), m_plain.port(0));
    QVERIFY(c.isConnected());
    QVERIFY(c.send(request));
    const bool head = request.startsWith("HEAD ");
    const HttpReply r = c.readReply(3000, head);
    QVERIFY2(r.status == status, r.raw.constData());
    QCOMPARE(r.headers.value("cache-control"), QByteArray("no-store"));
    QCOMPARE(r.body.contains("Your IP address is: <b>127.0.0.1</b>"), page);
    if (status == 405)
        QCOMPARE(r.headers.value("allow"), QByteArray("GET, HEAD"));

    if (keptOpen) {
        QVERIFY(c.send(pageRequest()));
        const HttpReply next = c.readReply(3000);
        QVERIFY2(next.status == 200, next.raw.constData());
    } else {
        QCOMPARE(r.headers.value("connection"), QByteArray("close"));
        QVERIFY2(c.waitClosed(3000), "the server kept a connection it said it would close");
    }
}

void TestIpdServer::pipelined()
{
    // Three requests in one write: three answers, in order, each complete.
    RawClient c(m_plain.host(0), m_plain.port(0));
    QVERIFY(c.send(pageRequest("GET") + pageRequest("HEAD") +
                   "GET /nothing HTTP/1.1\r\nHost: quorvel.test\r\n\r\n"));
    const HttpReply a = c.readReply(3000);
    const HttpReply b = c.readReply(3000, true);
    const HttpReply d = c.readReply(3000);
    QCOMPARE(a.status, 200);
    QVERIFY(a.body.contains("<b>127.0.0.1</b>"));
    QCOMPARE(b.status, 200);
    QCOMPARE(d.status, 404);
    QCOMPARE(c.readRest(200), QByteArray());
}

void TestIpdServer::connectionsSpreadOverThreads()
{
    // Each of two threads may hold 10 of the 20 allowed connections. A burst
    // of 16 fits only if it is spread over both; piled on one thread, 6 of
    // them would be closed to make room.
    IpdProcess ipd;
    QVERIFY2(ipd.start({"--listen", "127.0.0.1:0", "--threads", "2", "--max-connections", "20"}),
             qPrintable(ipd.errorString()));
    std::vector<std::unique_ptr<RawClient>> burst;
    for (int i = 0; i < 16; ++i)
        burst.push_back(std::make_unique<RawClient>(ipd.host(0), ipd.port(0)));
    QTest::qWait(200);
    int answered = 0;
    for (auto &c : burst) {
        if (c->send(pageRequest()) && c->readReply(3000).status == 200)
            ++answered;
    }
    QCOMPARE(answered, 16);
}

void TestIpdServer::clientAddress_data()
{
    QTest::addColumn<bool>("proxied"); // the server trusting 127.0.0.1
    QTest::addColumn<QString>("via");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no trusted proxies: header ignored")
        << false << "127.0.0.1" << QByteArray("X-Forwarded-For: 203.0.113.7\r\n") << "127.0.0.1";
    QTest::newRow("trusted: forwarded-for")
        << true << "127.0.0.1" << QByteArray("X-Forwarded-For: 203.0.113.7\r\n") << "203.0.113.7";
    QTest::newRow("trusted: client's own claim on the left ignored")
        << true << "127.0.0.1" << QByteArray("X-Forwarded-For: 198.51.100.1, 203.0.113.7\r\n")
        << "203.0.113.7";
    QTest::newRow("trusted: two header lines, trusted hop skipped")
        << true << "127.0.0.1"
        << QByteArray("X-Forwarded-For: 198.51.100.1\r\nX-Forwarded-For: 203.0.113.7, "
                      "127.0.0.1\r\n")
        << "203.0.113.7";
    QTest::newRow("trusted: real ip, v6")
        << true << "127.0.0.1" << QByteArray("X-Real-IP: 2001:db8::7\r\n") << "2001:db8::7";
    QTest::newRow("trusted: garbage")
        << true << "127.0.0.1" << QByteArray("X-Forwarded-For: <script>\r\n") << "127.0.0.1";
    QTest::newRow("trusted: no header") << true << "127.0.0.1" << QByteArray() << "127.0.0.1";
    QTest::newRow("untrusted peer: forwarded-for ignored")
        << true << "::1" << QByteArray("X-Forwarded-For: 203.0.113.7\r\n") << "::1";
    QTest::newRow("untrusted peer: real ip ignored")
        << true << "::1" << QByteArray("X-Real-IP: 203.0.113.7\r\n") << "::1";
}

void TestIpdServer::clientAddress()
{
    QFETCH(bool, proxied);
    QFETCH(QString, via);
    QFETCH(QByteArray, headers);
    QFETCH(QString, shown);

    IpdProcess &server = proxied ? m_proxied : m_plain;
    const int index = via == "::1" ? 1 : 0;
    QCOMPARE(server.host(index), via);
    const HttpReply r = fetchOnce(via, server.port(index), pageRequest("GET", headers));
    QCOMPARE(r.status, 200);
    QVERIFY2(r.body.contains("Your IP address is: <b>" + shown.toLatin1() + "</b>"),
             r.body.constData());
}

void TestIpdServer::countersAndCleanStop()
{
    IpdProcess ipd;
    QVERIFY2(ipd.start({"--listen", "127.0.0.1:0", "--threads", "2", "--log-interval", "1"}),
             qPrintable(ipd.errorString()));

    RawClient kept(ipd.host(0), ipd.port(0));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(kept.send(pageRequest()));
        QCOMPARE(kept.readReply(3000).status, 200);
    }
    QVERIFY(kept.send("GET /elsewhere HTTP/1.1\r\nHost: x\r\n\r\n"));
    QCOMPARE(kept.readReply(3000).status, 404);
    QCOMPARE(fetchOnce(ipd.host(0), ipd.port(0), "GARBAGE\r\n\r\n").status, 400);

    // At least one periodic line, with the connection still open.
    QVERIFY2(!ipd.waitForLogLine("open=1", 3000).isEmpty(), ipd.log().constData());

    // SIGTERM with a client still connected: it ends by itself, at once,
    // successfully, and the client sees its connection closed.
    int exitCode = -1;
    QVERIFY2(ipd.terminate(3000, &exitCode), "quorvel-ipd did not stop on SIGTERM");
    QCOMPARE(exitCode, 0);
    QVERIFY(kept.waitClosed(1000));

    // The lines add up to what happened, and nothing is logged per request.
    qint64 requests = 0, ok = 0, notFound = 0, bad = 0, accepted = 0;
    int counterLines = 0;
    QByteArray last;
    const QList<QByteArray> lines = ipd.log().trimmed().split('\n');
    for (const QByteArray &line : lines) {
        QVERIFY2(line.startsWith("quorvel-ipd: "), line.constData());
        if (!line.contains(" requests=")) {
            const bool known = line.contains("listening on ") || line.contains(" threads, ") ||
                               line.contains("stopping on SIGTERM");
            QVERIFY2(known, line.constData());
            continue;
        }
        ++counterLines;
        last = line;
        for (const QByteArray &field : line.split(' ')) {
            const QList<QByteArray> kv = field.split('=');
            const qint64 v = kv.value(1).toLongLong();
            if (kv[0] == "requests")
                requests += v;
            else if (kv[0] == "ok")
                ok += v;
            else if (kv[0] == "not_found")
                notFound += v;
            else if (kv[0] == "bad_request")
                bad += v;
            else if (kv[0] == "accepted")
                accepted += v;
        }
    }
    QVERIFY(counterLines >= 2);
    QCOMPARE(requests, 5);
    QCOMPARE(ok, 3);
    QCOMPARE(notFound, 1);
    QCOMPARE(bad, 1);
    QCOMPARE(accepted, 2);
    QVERIFY2(last.endsWith("open=0 (stopped)"), last.constData());
}

void TestIpdServer::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("--trust-proxy ADDR");
    QTest::newRow("nothing") << QStringList{} << 2 << QByteArray("no --listen given");
    QTest::newRow("bad address") << QStringList{"--listen", "localhost:80"} << 2
                                 << QByteArray("is not ADDRESS:PORT");
    QTest::newRow("port taken") << QStringList{"--listen", "127.0.0.1:%taken%"} << 1
                                << QByteArray("cannot listen on 127.0.0.1:");
}

void TestIpdServer::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);

    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost));
    args.replaceInStrings("%taken%", QString::number(taken.serverPort()));

    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-ipd"), args);
    QVERIFY2(p.waitForFinished(5000), "quorvel-ipd did not end");
    const QByteArray text = p.readAll();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == exitCode, text.constData());
    QVERIFY2(text.contains(output), text.constData());
}

QTEST_GUILESS_MAIN(TestIpdServer)
#include "TestIpdServer.moc"
