#include "ClientAddress.h"

#include <QtTest>

using namespace ipd;

namespace {

address addr(const QString &text)
{
    return boost::asio::ip::make_address(text.toStdString());
}

std::vector<AddressRange> ranges(const QStringList &list)
{
    std::vector<AddressRange> out;
    for (const QString &s : list) {
        const std::optional<AddressRange> r = parseAddressRange(s.toStdString());
        if (!r)
            qFatal("bad range in test table: %s", qPrintable(s));
        out.push_back(*r);
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(ipd::ProxyHeader)

// Whose address the page shows: the peer's, or the one a trusted proxy names.
class TestClientAddress : public QObject
{
    Q_OBJECT
private slots:
    void rangeContains_data();
    void rangeContains();
    void badRanges_data();
    void badRanges();
    void forwardedElement_data();
    void forwardedElement();
    void choose_data();
    void choose();
};

void TestClientAddress::rangeContains_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<bool>("contains");

    QTest::newRow("single v4, same") << "192.0.2.10"
                                     << "192.0.2.10" << true;
    QTest::newRow("single v4, neighbour") << "192.0.2.10"
                                          << "192.0.2.11" << false;
    QTest::newRow("/8 inside") << "10.0.0.0/8"
                               << "10.255.3.4" << true;
    QTest::newRow("/8 outside") << "10.0.0.0/8"
                                << "11.0.0.1" << false;
    QTest::newRow("/12 boundary in") << "172.16.0.0/12"
                                     << "172.31.255.255" << true;
    QTest::newRow("/12 boundary out") << "172.16.0.0/12"
                                      << "172.32.0.0" << false;
    QTest::newRow("/0 takes its family") << "0.0.0.0/0"
                                         << "203.0.113.9" << true;
    QTest::newRow("/0 not the other family") << "0.0.0.0/0"
                                             << "::1" << false;
    QTest::newRow("host bits in network ignored") << "10.1.2.3/16"
                                                  << "10.1.200.1" << true;
    QTest::newRow("v6 single") << "::1"
                               << "::1" << true;
    QTest::newRow("v6 /32 in") << "2001:db8::/32"
                               << "2001:db8:ffff::1" << true;
    QTest::newRow("v6 /32 out") << "2001:db8::/32"
                                << "2001:db9::1" << false;
    QTest::newRow("v6 /127 odd bit") << "2001:db8::2/127"
                                     << "2001:db8::3" << true;
    QTest::newRow("v6 /127 next pair") << "2001:db8::2/127"
                                       << "2001:db8::4" << false;
    QTest::newRow("mapped peer is v4") << "127.0.0.1"
                                       << "::ffff:127.0.0.1" << true;
    QTest::newRow("mapped range is v4") << "::ffff:10.0.0.0/104"
                                        << "10.9.9.9" << true;
    QTest::newRow("mapped range keeps its width") << "::ffff:10.0.0.0/104"
                                                  << "11.0.0.1" << false;
    QTest::newRow("mapped single is v4") << "::ffff:10.0.0.1"
                                         << "10.0.0.1" << true;
    QTest::newRow("v4 range, v6 peer") << "127.0.0.1"
                                       << "::1" << false;
}

void TestClientAddress::rangeContains()
{
    QFETCH(QString, range);
    QFETCH(QString, candidate);
    QFETCH(bool, contains);
    const std::optional<AddressRange> r = parseAddressRange(range.toStdString());
    QVERIFY(r);
    QCOMPARE(r->contains(addr(candidate)), contains);
}

void TestClientAddress::badRanges_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("name") << "proxy.local";
    QTest::newRow("prefix too long v4") << "10.0.0.0/33";
    QTest::newRow("prefix too long v6") << "::/129";
    QTest::newRow("empty prefix") << "10.0.0.0/";
    QTest::newRow("signed prefix") << "10.0.0.0/+8";
    QTest::newRow("prefix junk") << "10.0.0.0/8x";
    QTest::newRow("mapped prefix below 96") << "::ffff:10.0.0.0/64";
    QTest::newRow("zone") << "fe80::1%eth0";
    QTest::newRow("brackets") << "[::1]";
    QTest::newRow("port") << "10.0.0.1:80";
}

void TestClientAddress::badRanges()
{
    QFETCH(QString, text);
    QVERIFY(!parseAddressRange(text.toStdString()));
}

void TestClientAddress::forwardedElement_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: not an address

    QTest::newRow("v4") << "203.0.113.7"
                        << "203.0.113.7";
    QTest::newRow("v4 with blanks") << " \t203.0.113.7 "
                                    << "203.0.113.7";
    QTest::newRow("v4 with port") << "203.0.113.7:4711"
                                  << "203.0.113.7";
    QTest::newRow("v6") << "2001:db8::7"
                        << "2001:db8::7";
    QTest::newRow("v6 shown canonically") << "2001:DB8:0:0:0:0:0:7"
                                          << "2001:db8::7";
    QTest::newRow("v6 bracketed") << "[2001:db8::7]"
                                  << "2001:db8::7";
    QTest::newRow("v6 bracketed with port") << "[2001:db8::7]:443"
                                            << "2001:db8::7";
    QTest::newRow("v4-mapped is v4") << "::ffff:198.51.100.2"
                                     << "198.51.100.2";

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("unknown") << "unknown"
                             << "";
    QTest::newRow("name") << "client.example"
                          << "";
    QTest::newRow("two addresses") << "192.0.2.1 192.0.2.2"
                                   << "";
    QTest::newRow("v4 bad port") << "192.0.2.1:99999"
                                 << "";
    QTest::newRow("v4 empty port") << "192.0.2.1:"
                                   << "";
    QTest::newRow("v4 in brackets") << "[192.0.2.1]"
                                    << "";
    QTest::newRow("bracket unclosed") << "[2001:db8::7"
                                      << "";
    QTest::newRow("junk after bracket") << "[2001:db8::7]x"
                                        << "";
    QTest::newRow("zone index") << "fe80::1%1"
                                << "";
    QTest::newRow("obfuscated v4") << "0x7f.1"
                                   << "";
    QTest::newRow("markup") << "<b>1.2.3.4</b>"
                            << "";
}

void TestClientAddress::forwardedElement()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::optional<address> a = parseForwardedAddress(text.toStdString());
    QCOMPARE(a ? QString::fromStdString(addressText(*a)) : QString(), expected);
}

void TestClientAddress::choose_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QStringList>("forwardedFor"); // one entry per header line
    QTest::addColumn<QStringList>("realIp");
    QTest::addColumn<QStringList>("trusted");
    QTest::addColumn<ipd::ProxyHeader>("which");
    QTest::addColumn<QString>("expected");

    const QStringList none;
    const QStringList lb{"10.0.0.0/8"};
    const ProxyHeader any = ProxyHeader::Any;

    QTest::newRow("no proxies: peer")
        << "198.51.100.2" << none << none << none << any << "198.51.100.2";
    QTest::newRow("no proxies: headers are only claims")
        << "198.51.100.2" << QStringList{"203.0.113.7"} << QStringList{"203.0.113.8"} << none << any
        << "198.51.100.2";
    QTest::newRow("untrusted peer: headers ignored")
        << "198.51.100.2" << QStringList{"203.0.113.7"} << none << lb << any << "198.51.100.2";
    QTest::newRow("mapped peer shown as v4")
        << "::ffff:198.51.100.2" << none << none << none << any << "198.51.100.2";
    QTest::newRow("v6 peer") << "2001:db8::5" << none << none << none << any << "2001:db8::5";

    QTest::newRow("trusted, one hop")
        << "10.0.0.1" << QStringList{"203.0.113.7"} << none << lb << any << "203.0.113.7";
    QTest::newRow("trusted, spoofed left part ignored")
        << "10.0.0.1" << QStringList{"1.1.1.1, 203.0.113.7"} << none << lb << any << "203.0.113.7";
    QTest::newRow("trusted hops skipped from the right")
        << "10.0.0.1" << QStringList{"1.1.1.1, 203.0.113.7, 10.0.0.9, 10.0.0.8"} << none << lb
        << any << "203.0.113.7";
    QTest::newRow("several header lines count in order")
        << "10.0.0.1" << QStringList{"1.1.1.1", "203.0.113.7, 10.0.0.9"} << none << lb << any
        << "203.0.113.7";
    QTest::newRow("empty elements skipped")
        << "10.0.0.1" << QStringList{" , 203.0.113.7 ,,"} << none << lb << any << "203.0.113.7";
    QTest::newRow("all hops trusted: leftmost")
        << "10.0.0.1" << QStringList{"10.0.0.7, 10.0.0.8"} << none << lb << any << "10.0.0.7";
    QTest::newRow("hop with port")
        << "10.0.0.1" << QStringList{"[2001:db8::9]:1234"} << none << lb << any << "2001:db8::9";
    QTest::newRow("garbage at the right: peer")
        << "10.0.0.1" << QStringList{"203.0.113.7, garbage"} << none << lb << any << "10.0.0.1";
    QTest::newRow("garbage left of the client does not matter")
        << "10.0.0.1" << QStringList{"garbage, 203.0.113.7"} << none << lb << any << "203.0.113.7";
    QTest::newRow("v6 proxy, v4 client") << "2001:db8::1" << QStringList{"203.0.113.7"} << none
                                         << QStringList{"2001:db8::/64"} << any << "203.0.113.7";
    QTest::newRow("mapped peer matches v4 proxy")
        << "::ffff:10.0.0.1" << QStringList{"203.0.113.7"} << none << lb << any << "203.0.113.7";

    QTest::newRow("real ip when no forwarded-for")
        << "10.0.0.1" << none << QStringList{"203.0.113.8"} << lb << any << "203.0.113.8";
    QTest::newRow("empty forwarded-for falls to real ip")
        << "10.0.0.1" << QStringList{" "} << QStringList{"203.0.113.8"} << lb << any
        << "203.0.113.8";
    QTest::newRow("forwarded-for first")
        << "10.0.0.1" << QStringList{"203.0.113.7"} << QStringList{"203.0.113.8"} << lb << any
        << "203.0.113.7";
    QTest::newRow("real ip twice: peer")
        << "10.0.0.1" << none << QStringList{"203.0.113.8", "203.0.113.9"} << lb << any
        << "10.0.0.1";
    QTest::newRow("real ip garbage: peer")
        << "10.0.0.1" << none << QStringList{"nobody"} << lb << any << "10.0.0.1";
    QTest::newRow("real ip list is not one address")
        << "10.0.0.1" << none << QStringList{"203.0.113.8, 203.0.113.9"} << lb << any << "10.0.0.1";
    QTest::newRow("trusted, no header: peer")
        << "10.0.0.1" << none << none << lb << any << "10.0.0.1";

    QTest::newRow("only real ip: forwarded-for ignored")
        << "10.0.0.1" << QStringList{"203.0.113.7"} << QStringList{"203.0.113.8"} << lb
        << ProxyHeader::XRealIp << "203.0.113.8";
    QTest::newRow("only real ip, absent: peer") << "10.0.0.1" << QStringList{"203.0.113.7"} << none
                                                << lb << ProxyHeader::XRealIp << "10.0.0.1";
    QTest::newRow("only forwarded-for: real ip ignored")
        << "10.0.0.1" << none << QStringList{"203.0.113.8"} << lb << ProxyHeader::XForwardedFor
        << "10.0.0.1";
}

void TestClientAddress::choose()
{
    QFETCH(QString, peer);
    QFETCH(QStringList, forwardedFor);
    QFETCH(QStringList, realIp);
    QFETCH(QStringList, trusted);
    QFETCH(ipd::ProxyHeader, which);
    QFETCH(QString, expected);

    // The views must outlive the call, as the request does in the server.
    std::vector<std::string> store;
    for (const QString &s : forwardedFor + realIp)
        store.push_back(s.toStdString());
    ForwardingHeaders headers;
    for (qsizetype i = 0; i < forwardedFor.size(); ++i)
        headers.forwardedFor.push_back(store[std::size_t(i)]);
    for (qsizetype i = 0; i < realIp.size(); ++i)
        headers.realIp.push_back(store[std::size_t(forwardedFor.size() + i)]);

    const address chosen = chooseClientAddress(addr(peer), headers, ranges(trusted), which);
    QCOMPARE(QString::fromStdString(addressText(chosen)), expected);
}

QTEST_APPLESS_MAIN(TestClientAddress)
#include "TestClientAddress.moc"
