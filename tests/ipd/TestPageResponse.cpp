#include "Counters.h"
#include "PageResponse.h"
#include "PublicIp.h"

#include <QtTest>

using namespace ipd;

Q_DECLARE_METATYPE(ipd::Method)
Q_DECLARE_METATYPE(ipd::Status)

namespace {

// Splits a response the way a client would: status line, fields, body.
struct Parsed
{
    QByteArray statusLine;
    QMap<QByteArray, QByteArray> fields;
    QByteArray body;
    int fieldCount = 0;
};

Parsed parse(const std::string &response)
{
    Parsed p;
    const QByteArray all = QByteArray::fromStdString(response);
    const qsizetype end = all.indexOf("\r\n\r\n");
    if (end < 0)
        return p;
    QByteArray head = all.left(end);
    // Every line ends in CR LF, none in a bare LF.
    if (head.count('\n') != head.count("\r\n"))
        return p;
    head.replace("\r\n", "\n");
    const QList<QByteArray> lines = head.split('\n');
    p.statusLine = lines.value(0);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        p.fields.insert(lines[i].left(colon).toLower(), lines[i].mid(colon + 1).trimmed());
        ++p.fieldCount;
    }
    p.body = all.mid(end + 4);
    return p;
}

} // namespace

// What quorvel-ipd answers, byte for byte, decided without a socket.
class TestPageResponse : public QObject
{
    Q_OBJECT
private slots:
    void route_data();
    void route();
    void programReadsThePage_data();
    void programReadsThePage();
    void response_data();
    void response();
    void headIsGetWithoutBody();
    void httpDate_data();
    void httpDate();
    void countersLine();
};

void TestPageResponse::route_data()
{
    QTest::addColumn<ipd::Method>("method");
    QTest::addColumn<QString>("target");
    QTest::addColumn<ipd::Status>("status");

    QTest::newRow("GET page") << Method::Get << "/quorvel.php" << Status::Ok;
    QTest::newRow("HEAD page") << Method::Head << "/quorvel.php" << Status::Ok;
    QTest::newRow("query ignored") << Method::Get << "/quorvel.php?nocache=123" << Status::Ok;
    QTest::newRow("absolute form") << Method::Get << "http://ip.example/quorvel.php" << Status::Ok;
    QTest::newRow("absolute form, port, query")
        << Method::Get << "HTTP://ip.example:8080/quorvel.php?x" << Status::Ok;
    QTest::newRow("POST page") << Method::Other << "/quorvel.php" << Status::MethodNotAllowed;
    QTest::newRow("root") << Method::Get << "/" << Status::NotFound;
    QTest::newRow("POST elsewhere: path first") << Method::Other << "/x" << Status::NotFound;
    QTest::newRow("longer name") << Method::Get << "/quorvel.php.bak" << Status::NotFound;
    QTest::newRow("trailing slash") << Method::Get << "/quorvel.php/" << Status::NotFound;
    QTest::newRow("other case") << Method::Get << "/Quorvel.php" << Status::NotFound;
    QTest::newRow("encoded") << Method::Get << "/quorvel%2Ephp" << Status::NotFound;
    QTest::newRow("dot segments") << Method::Get << "/a/../quorvel.php" << Status::NotFound;
    QTest::newRow("asterisk") << Method::Other << "*" << Status::NotFound;
    QTest::newRow("absolute form, no path")
        << Method::Get << "http://ip.example" << Status::NotFound;
    QTest::newRow("absolute form, query only")
        << Method::Get << "http://ip.example?/quorvel.php" << Status::NotFound;
    QTest::newRow("page in the authority")
        << Method::Get << "http://quorvel.php/" << Status::NotFound;
}

void TestPageResponse::route()
{
    QFETCH(ipd::Method, method);
    QFETCH(QString, target);
    QFETCH(ipd::Status, status);
    QCOMPARE(routeRequest(method, target.toStdString()), status);
}

void TestPageResponse::programReadsThePage_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("ipv4 loopback") << "127.0.0.1";
    QTest::newRow("ipv4 longest") << "255.255.255.255";
    QTest::newRow("ipv6 loopback") << "::1";
    QTest::newRow("ipv6 full") << "2001:db8:1234:5678:9abc:def0:1234:5678";
}

void TestPageResponse::programReadsThePage()
{
    // The program's own cut rule, applied to our page, gives back exactly the
    // address: nothing before, nothing after.
    QFETCH(QString, address);
    const std::string body = pageBody(address.toStdString());
    QCOMPARE(address::CutPublicIP(QByteArray::fromStdString(body)), address);
    // Exactly one marker, so no other text can be taken for the address.
    QCOMPARE(QByteArray::fromStdString(body).count(address::kMarker), 1);
}

void TestPageResponse::response_data()
{
    QTest::addColumn<ipd::Status>("status");
    QTest::addColumn<bool>("keepAlive");
    QTest::addColumn<bool>("http10");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<QByteArray>("connection"); // empty: no Connection field
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("allow");

    const QByteArray html = "text/html; charset=utf-8";
    const QByteArray text = "text/plain; charset=utf-8";
    QTest::newRow("page, kept") << Status::Ok << true << false << QByteArray("HTTP/1.1 200 OK")
                                << QByteArray() << html << QByteArray();
    QTest::newRow("page, closing") << Status::Ok << false << false << QByteArray("HTTP/1.1 200 OK")
                                   << QByteArray("close") << html << QByteArray();
    QTest::newRow("page, 1.0 kept") << Status::Ok << true << true << QByteArray("HTTP/1.1 200 OK")
                                    << QByteArray("keep-alive") << html << QByteArray();
    QTest::newRow("page, 1.0 closing")
        << Status::Ok << false << true << QByteArray("HTTP/1.1 200 OK") << QByteArray("close")
        << html << QByteArray();
    QTest::newRow("404") << Status::NotFound << true << false
                         << QByteArray("HTTP/1.1 404 Not Found") << QByteArray() << text
                         << QByteArray();
    QTest::newRow("405 names what is allowed") << Status::MethodNotAllowed << true << false
                                               << QByteArray("HTTP/1.1 405 Method Not Allowed")
                                               << QByteArray() << text << QByteArray("GET, HEAD");
    QTest::newRow("400") << Status::BadRequest << false << false
                         << QByteArray("HTTP/1.1 400 Bad Request") << QByteArray("close") << text
                         << QByteArray();
    QTest::newRow("431") << Status::HeaderTooLarge << false << false
                         << QByteArray("HTTP/1.1 431 Request Header Fields Too Large")
                         << QByteArray("close") << text << QByteArray();
}

void TestPageResponse::response()
{
    QFETCH(ipd::Status, status);
    QFETCH(bool, keepAlive);
    QFETCH(bool, http10);
    QFETCH(QByteArray, statusLine);
    QFETCH(QByteArray, connection);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, allow);

    std::string out = "left over from the last request";
    const std::size_t before = out.size();
    appendResponse(out, {status, Method::Get, "192.0.2.44", keepAlive, http10,
                         "Sun, 06 Nov 1994 08:49:37 GMT"});
    QCOMPARE(out.substr(0, before), std::string("left over from the last request"));
    const Parsed p = parse(out.substr(before));

    QCOMPARE(p.statusLine, statusLine);
    QCOMPARE(p.fields.value("content-type"), contentType);
    QCOMPARE(p.fields.value("content-length").toInt(), int(p.body.size()));
    QCOMPARE(p.fields.value("cache-control"), QByteArray("no-store"));
    QCOMPARE(p.fields.value("date"), QByteArray("Sun, 06 Nov 1994 08:49:37 GMT"));
    QCOMPARE(p.fields.value("connection"), connection);
    QCOMPARE(p.fields.value("allow"), allow);
    // No field twice, none we did not mean to send.
    QCOMPARE(p.fieldCount, int(p.fields.size()));
    if (status == Status::Ok)
        QCOMPARE(address::CutPublicIP(p.body), QStringLiteral("192.0.2.44"));
    else
        QVERIFY(!p.body.contains(address::kMarker));
}

void TestPageResponse::headIsGetWithoutBody()
{
    std::string get;
    std::string head;
    appendResponse(get, {Status::Ok, Method::Get, "::1", true, false, "D"});
    appendResponse(head, {Status::Ok, Method::Head, "::1", true, false, "D"});
    const Parsed g = parse(get);
    const Parsed h = parse(head);
    QVERIFY(!g.body.isEmpty());
    QVERIFY(h.body.isEmpty());
    QCOMPARE(h.statusLine, g.statusLine);
    // HEAD announces the length GET would send.
    QCOMPARE(h.fields, g.fields);
    QCOMPARE(head, get.substr(0, get.size() - std::size_t(g.body.size())));
}

void TestPageResponse::httpDate_data()
{
    QTest::addColumn<qint64>("time");
    QTest::addColumn<QString>("expected");
    QTest::newRow("epoch") << qint64(0) << "Thu, 01 Jan 1970 00:00:00 GMT";
    QTest::newRow("RFC example") << qint64(784111777) << "Sun, 06 Nov 1994 08:49:37 GMT";
    QTest::newRow("leap day") << qint64(951782400) << "Tue, 29 Feb 2000 00:00:00 GMT";
    QTest::newRow("after 2038") << qint64(4102444799) << "Thu, 31 Dec 2099 23:59:59 GMT";
}

void TestPageResponse::httpDate()
{
    QFETCH(qint64, time);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(ipd::httpDate(std::time_t(time))), expected);
}

void TestPageResponse::countersLine()
{
    Counters earlier;
    earlier.ok = 100;
    earlier.accepted = 10;
    earlier.timedOut = 1;
    Counters later = earlier;
    later.ok += 7;
    later.notFound += 2;
    later.notAllowed += 1;
    later.badRequest += 3;
    later.tooLarge += 4;
    later.timedOut += 5;
    later.accepted += 6;
    later.evicted += 8;
    later.acceptErrors += 9;

    Counters sum = earlier;
    sum += later - earlier;
    QVERIFY(sum == later);

    // Only what happened in between; every answer sent counts as a request.
    QCOMPARE(
        QString::fromStdString(formatCountersLine(later - earlier, 12, std::chrono::seconds(60))),
        QStringLiteral("last 60s: requests=17 ok=7 not_found=2 not_allowed=1 "
                       "bad_request=3 too_large=4 timed_out=5 accepted=6 evicted=8 "
                       "accept_errors=9 open=12"));
}

QTEST_APPLESS_MAIN(TestPageResponse)
#include "TestPageResponse.moc"
