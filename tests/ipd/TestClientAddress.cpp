#include "ClientAddress.h"

#include <QtTest>

#include <list>

using namespace ipd;

Q_DECLARE_METATYPE(ipd::ProxyHeader)

// Whose address the page shows: the peer's, or the one a trusted proxy
// names. The trusted ranges and the header values go through the same
// parsers the server uses, so their rules are tried here too.
class TestClientAddress : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
};

void TestClientAddress::choose_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QString>("trusted");      // ranges, space-separated
    QTest::addColumn<QString>("forwardedFor"); // header lines, '|'-separated; empty: none
    QTest::addColumn<QString>("realIp");
    QTest::addColumn<ipd::ProxyHeader>("which");
    QTest::addColumn<QString>("shown");

    const auto row = [](const char *name, const char *peer, const char *trusted, const char *xff,
                        const char *realIp, const char *shown,
                        ProxyHeader which = ProxyHeader::Any) {
        QTest::newRow(name) << QString(peer) << QString(trusted) << QString(xff) << QString(realIp)
                            << which << QString(shown);
    };
    const char *lb = "10.0.0.0/8";
    const char *v4 = "198.51.100.2";
    const char *c = "203.0.113.7";

    row("no proxies: headers are only claims", v4, "", c, c, v4);
    row("untrusted peer: headers ignored", v4, lb, c, c, v4);
    row("mapped peer shown as v4", "::ffff:198.51.100.2", "", "", "", v4);
    row("trusted, one hop", "10.0.0.1", lb, c, "", c);
    row("client's own claim on the left ignored", "10.0.0.1", lb, "1.1.1.1, 203.0.113.7", "", c);
    row("trusted hops skipped from the right", "10.0.0.1", lb,
        "1.1.1.1, 203.0.113.7, 10.0.0.9, 10.0.0.8", "", c);
    row("header lines count in order", "10.0.0.1", lb, "1.1.1.1|203.0.113.7, 10.0.0.9", "", c);
    row("empty elements skipped", "10.0.0.1", lb, " , 203.0.113.7 ,,", "", c);
    row("all hops trusted: leftmost", "10.0.0.1", lb, "10.0.0.7, 10.0.0.8", "", "10.0.0.7");
    row("v4 hop with port", "10.0.0.1", lb, "203.0.113.7:4711", "", c);
    row("v6 hop with port, canonical", "10.0.0.1", lb, "[2001:DB8:0::9]:1234", "", "2001:db8::9");
    row("garbage at the right: peer", "10.0.0.1", lb, "203.0.113.7, garbage", "", "10.0.0.1");
    row("garbage left of the client", "10.0.0.1", lb, "garbage, 203.0.113.7", "", c);
    row("bad port: peer", "10.0.0.1", lb, "203.0.113.7:99999", "", "10.0.0.1");
    row("zone index: peer", "10.0.0.1", lb, "fe80::1%1", "", "10.0.0.1");
    row("obfuscated v4: peer", "10.0.0.1", lb, "0x7f.1", "", "10.0.0.1");
    row("markup: peer", "10.0.0.1", lb, "<b>1.2.3.4</b>", "", "10.0.0.1");
    row("several proxies", "192.0.2.10", "10.0.0.0/8 192.0.2.10", c, "", c);
    row("single address range: neighbour", "192.0.2.11", "192.0.2.10", c, "", "192.0.2.11");
    row("/12 last address in", "172.31.255.255", "172.16.0.0/12", c, "", c);
    row("/12 next address out", "172.32.0.0", "172.16.0.0/12", c, "", "172.32.0.0");
    row("/127 odd address in", "2001:db8::3", "2001:db8::2/127", c, "", c);
    row("/127 next pair out", "2001:db8::4", "2001:db8::2/127", c, "", "2001:db8::4");
    row("v4 range never holds v6", "::1", "0.0.0.0/0", c, "", "::1");
    row("v6 proxy, v4 client", "2001:db8::1", "2001:db8::/64", c, "", c);
    row("mapped peer matches v4 range", "::ffff:10.0.0.1", lb, c, "", c);
    row("mapped range is v4", "10.9.9.9", "::ffff:10.0.0.0/104", c, "", c);
    row("mapped range keeps its width", "11.0.0.1", "::ffff:10.0.0.0/104", c, "", "11.0.0.1");

    row("real ip without forwarded-for", "10.0.0.1", lb, "", c, c);
    row("forwarded-for first", "10.0.0.1", lb, c, "203.0.113.8", c);
    row("blank forwarded-for: real ip", "10.0.0.1", lb, " ", c, c);
    row("real ip twice: peer", "10.0.0.1", lb, "", "203.0.113.8|203.0.113.9", "10.0.0.1");
    row("real ip list: peer", "10.0.0.1", lb, "", "203.0.113.8, 203.0.113.9", "10.0.0.1");
    row("real ip v6", "10.0.0.1", lb, "", "2001:db8::7", "2001:db8::7");
    row("trusted, no header: peer", "10.0.0.1", lb, "", "", "10.0.0.1");
    row("only real ip asked", "10.0.0.1", lb, c, "203.0.113.8", "203.0.113.8",
        ProxyHeader::XRealIp);
    row("only forwarded-for asked", "10.0.0.1", lb, "", c, "10.0.0.1", ProxyHeader::XForwardedFor);
}

void TestClientAddress::choose()
{
    QFETCH(QString, peer);
    QFETCH(QString, trusted);
    QFETCH(QString, forwardedFor);
    QFETCH(QString, realIp);
    QFETCH(ipd::ProxyHeader, which);
    QFETCH(QString, shown);

    std::vector<AddressRange> ranges;
    for (const QString &text : trusted.split(u' ', Qt::SkipEmptyParts)) {
        const std::optional<AddressRange> r = parseAddressRange(text.toStdString());
        QVERIFY2(r, qPrintable(text));
        ranges.push_back(*r);
    }
    // The views must outlive the call, as the request does in the server.
    std::list<std::string> store;
    ForwardingHeaders headers;
    for (const QString &line : forwardedFor.split(u'|', Qt::SkipEmptyParts))
        headers.forwardedFor.push_back(store.emplace_back(line.toStdString()));
    for (const QString &line : realIp.split(u'|', Qt::SkipEmptyParts))
        headers.realIp.push_back(store.emplace_back(line.toStdString()));

    const address chosen = chooseClientAddress(boost::asio::ip::make_address(peer.toStdString()),
                                               headers, ranges, which);
    QCOMPARE(QString::fromStdString(addressText(chosen)), shown);
}

QTEST_APPLESS_MAIN(TestClientAddress)
#include "TestClientAddress.moc"
