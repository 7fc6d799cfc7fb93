#include "ClientAddress.h"

#include <QtTest>

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
    QTest::addColumn<QString>("trusted"); // ranges, space-separated
    QTest::addColumn<ipd::ProxyHeader>("which");
    QTest::addColumn<QString>("value"); // the named header's lines joined; "-": none
    QTest::addColumn<QString>("shown"); // empty: refused

    const auto row = [](const char *name, const char *peer, const char *trusted, const char *value,
                        const char *shown, ProxyHeader which = ProxyHeader::XForwardedFor) {
        QTest::newRow(name) << QString(peer) << QString(trusted) << which << QString(value)
                            << QString(shown);
    };
    const char *lb = "10.0.0.0/8";
    const char *v4 = "198.51.100.2";
    const char *c = "203.0.113.7";

    row("no proxies: headers are only claims", v4, "", c, v4);
    row("untrusted peer: header ignored", v4, lb, c, v4);
    row("untrusted peer: junk ignored", v4, lb, "junk", v4);
    row("mapped peer shown as v4", "::ffff:198.51.100.2", "", "-", v4);
    row("trusted, one hop", "10.0.0.1", lb, c, c);
    row("client's own claim on the left ignored", "10.0.0.1", lb, "1.1.1.1, 203.0.113.7", c);
    row("trusted hops skipped from the right", "10.0.0.1", lb,
        "1.1.1.1, 203.0.113.7, 10.0.0.9, 10.0.0.8", c);
    row("empty elements skipped", "10.0.0.1", lb, " , 203.0.113.7 ,,", c);
    row("all hops trusted: leftmost", "10.0.0.1", lb, "10.0.0.7, 10.0.0.8", "10.0.0.7");
    row("no hop at all: peer", "10.0.0.1", lb, " , ", "10.0.0.1");
    row("trusted, no header: peer", "10.0.0.1", lb, "-", "10.0.0.1");
    row("v4 hop with port", "10.0.0.1", lb, "203.0.113.7:4711", c);
    row("v6 hop with port, canonical", "10.0.0.1", lb, "[2001:DB8:0::9]:1234", "2001:db8::9");
    row("junk at the right: refused", "10.0.0.1", lb, "203.0.113.7, junk", "");
    row("junk left of the client", "10.0.0.1", lb, "junk, 203.0.113.7", c);
    row("bad port: refused", "10.0.0.1", lb, "203.0.113.7:99999", "");
    row("zone index: refused", "10.0.0.1", lb, "fe80::1%1", "");
    row("obfuscated v4: refused", "10.0.0.1", lb, "0x7f.1", "");
    row("markup: refused", "10.0.0.1", lb, "<b>1.2.3.4</b>", "");
    row("several proxies", "192.0.2.10", "10.0.0.0/8 192.0.2.10", c, c);
    row("single address range: neighbour", "192.0.2.11", "192.0.2.10", c, "192.0.2.11");
    row("/12 last address in", "172.31.255.255", "172.16.0.0/12", c, c);
    row("/12 next address out", "172.32.0.0", "172.16.0.0/12", c, "172.32.0.0");
    row("/127 odd address in", "2001:db8::3", "2001:db8::2/127", c, c);
    row("/127 next pair out", "2001:db8::4", "2001:db8::2/127", c, "2001:db8::4");
    row("v4 range never holds v6", "::1", "0.0.0.0/0", c, "::1");
    row("v6 proxy, v4 client", "2001:db8::1", "2001:db8::/64", c, c);
    row("mapped peer matches v4 range", "::ffff:10.0.0.1", lb, c, c);
    row("mapped range is v4", "10.9.9.9", "::ffff:10.0.0.0/104", c, c);
    row("mapped range keeps its width", "11.0.0.1", "::ffff:10.0.0.0/104", c, "11.0.0.1");

    const ProxyHeader realIp = ProxyHeader::XRealIp;
    row("real ip", "10.0.0.1", lb, c, c, realIp);
    row("real ip v6 with port", "10.0.0.1", lb, "[2001:db8::7]:80", "2001:db8::7", realIp);
    row("real ip, none: peer", "10.0.0.1", lb, "-", "10.0.0.1", realIp);
    row("real ip twice: refused", "10.0.0.1", lb, "203.0.113.8,203.0.113.9", "", realIp);
    row("real ip empty: refused", "10.0.0.1", lb, "", "", realIp);
}

void TestClientAddress::choose()
{
    QFETCH(QString, peer);
    QFETCH(QString, trusted);
    QFETCH(ipd::ProxyHeader, which);
    QFETCH(QString, value);
    QFETCH(QString, shown);

    std::vector<AddressRange> ranges;
    for (const QString &text : trusted.split(u' ', Qt::SkipEmptyParts)) {
        const std::optional<AddressRange> r = parseAddressRange(text.toStdString());
        QVERIFY2(r, qPrintable(text));
        ranges.push_back(*r);
    }
    const std::optional<std::string> header =
        value == "-" ? std::nullopt : std::optional(value.toStdString());
    const std::optional<address> chosen = chooseClientAddress(
        boost::asio::ip::make_address(peer.toStdString()), header, ranges, which);
    QCOMPARE(chosen ? QString::fromStdString(addressText(*chosen)) : QString(), shown);
}

QTEST_APPLESS_MAIN(TestClientAddress)
#include "TestClientAddress.moc"
