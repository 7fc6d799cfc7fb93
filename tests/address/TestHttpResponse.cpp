#include "HttpResponse.h"

#include <QtTest>

using namespace address;
using State = HttpResponse::State;

// The answer reader of the IPv6 fetch, fed what servers may send, whole
// and cut at every byte.
class TestHttpResponse : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void everyPrefixIsIncomplete_data();
    void everyPrefixIsIncomplete();
    void request();
};

void TestHttpResponse::answers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("outcome"); // "status|body", "incomplete", "too large" or the problem

    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    QTest::newRow("Content-Length, more after it")
        << ok + "Content-Length: 4\r\n\r\n2001xx" << false << "200|2001";
    QTest::newRow("closed before Content-Length")
        << ok + "Content-Length: 4\r\n\r\n20" << true
        << "connection closed before the answer was complete";
    QTest::newRow("LF only, no reason, HTTP/1.0")
        << QByteArray("HTTP/1.0 404\nContent-Length: 2\n\nno") << false << "404|no";
    QTest::newRow("body until close") << ok + "\r\n2001:db8::7\n" << true << "200|2001:db8::7\n";
    QTest::newRow("body until close, still open") << ok + "\r\n2001" << false << "incomplete";
    QTest::newRow("chunked with extension and trailer")
        << ok + "Transfer-Encoding: chunked\r\n\r\n4;x=y\r\n2001\r\nA\r\n:db8::7\r\n\n\r\n0\r\nT: "
                "1\r\n\r\n"
        << false << "200|2001:db8::7\r\n\n";
    QTest::newRow("chunked, size in upper case")
        << ok + "transfer-encoding: Chunked\r\n\r\nB\r\n2001:db8::7\r\n0\r\n\r\n"
        << false << "200|2001:db8::7";
    QTest::newRow("chunk longer than said")
        << ok + "Transfer-Encoding: chunked\r\n\r\n2\r\n2001\r\n0\r\n\r\n"
        << false << "chunk longer than its size";
    QTest::newRow("chunk size with 0x") << ok + "Transfer-Encoding: chunked\r\n\r\n0x4\r\n"
                                        << false << "bad chunk size";
    QTest::newRow("chunk size too long")
        << ok + "Transfer-Encoding: chunked\r\n\r\n10000000000000000\r\n"
        << false << "bad chunk size";
    QTest::newRow("chunks past the limit") << ok + "Transfer-Encoding: chunked\r\n\r\n11\r\n"
                                           << false << "too large";
    QTest::newRow("Content-Length past the limit") << ok + "Content-Length: 17\r\n\r\n"
                                                   << false << "too large";
    QTest::newRow("body until close past the limit")
        << ok + "\r\n" + QByteArray(17, 'x') << false << "too large";
    QTest::newRow("interim answer skipped")
        << "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 1\r\n\r\n7" << false << "200|7";
    QTest::newRow("204 has no body")
        << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false << "204|";
    QTest::newRow("switching protocols") << QByteArray("HTTP/1.1 101 Switching Protocols\r\n\r\n")
                                         << false << "protocol switch nobody asked for";
    QTest::newRow("HTTP/2 status line")
        << QByteArray("HTTP/2 200\r\n\r\n") << false << "no HTTP status line";
    QTest::newRow("an address, not HTTP")
        << QByteArray("2001:db8::7\n") << true << "no HTTP status line";
    QTest::newRow("blank before the colon")
        << ok + "Content-Length : 1\r\n\r\n7" << false << "bad header field";
    QTest::newRow("folded field") << ok + "X: a\r\n b\r\n\r\n" << true << "bad header field";
    QTest::newRow("two different lengths")
        << ok + "Content-Length: 1\r\nContent-Length: 2\r\n\r\n77" << false
        << "two different Content-Length fields";
    QTest::newRow("same length twice")
        << ok + "Content-Length: 1\r\nContent-Length: 1\r\n\r\n7" << false << "200|7";
    QTest::newRow("signed length")
        << ok + "Content-Length: +1\r\n\r\n7" << false << "bad Content-Length";
    QTest::newRow("gzip") << ok + "Transfer-Encoding: gzip, chunked\r\n\r\n"
                          << false << "unsupported transfer coding";
    QTest::newRow("endless header")
        << ok + "X: " + QByteArray(kMaxHttpHeaderBytes, 'x') << false << "header larger than 8 KiB";
    QTest::newRow("closed at once")
        << QByteArray() << true << "connection closed without an answer";
}

void TestHttpResponse::answers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closed);
    QFETCH(QString, outcome);
    const HttpResponse r = parseHttpResponse(bytes, closed, 16);
    const QString got = r.state == State::Complete     ? QString::number(r.status) + u'|' + r.body
                        : r.state == State::Incomplete ? QStringLiteral("incomplete")
                        : r.state == State::TooLarge   ? QStringLiteral("too large")
                                                       : r.problem;
    QCOMPARE(got, outcome);
}

void TestHttpResponse::everyPrefixIsIncomplete_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                           "6\r\n2001:d\r\n5\r\nb8::7\r\n0\r\n\r\n");
    QTest::newRow("length") << QByteArray("HTTP/1.1 100 Go\r\n\r\nHTTP/1.1 200 OK\r\n"
                                          "Content-Length: 11\r\n\r\n2001:db8::7");
}

void TestHttpResponse::everyPrefixIsIncomplete()
{
    // However the bytes arrive, a part is never taken for the whole or for
    // a broken answer.
    QFETCH(QByteArray, bytes);
    for (qsizetype n = 0; n < bytes.size(); ++n)
        QVERIFY2(parseHttpResponse(bytes.first(n), false, 64).state == State::Incomplete,
                 bytes.first(n).constData());
    const HttpResponse whole = parseHttpResponse(bytes, false, 64);
    QVERIFY(whole.state == State::Complete && whole.body == "2001:db8::7");
}

void TestHttpResponse::request()
{
    QCOMPARE(httpGetRequest(QUrl("http://[2001:db8::1]:8080/ip?a=1")),
             "GET /ip?a=1 HTTP/1.1\r\nHost: [2001:db8::1]:8080\r\nUser-Agent: Quorvel\r\n"
             "Accept: */*\r\nCache-Control: no-cache\r\nPragma: no-cache\r\nConnection: close"
             "\r\n\r\n");
}

QTEST_APPLESS_MAIN(TestHttpResponse)
#include "TestHttpResponse.moc"
