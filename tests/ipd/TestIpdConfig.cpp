#include "IpdConfig.h"

#include <QtTest>

using namespace ipd;

namespace {

std::vector<std::string> toArgs(const QStringList &list)
{
    std::vector<std::string> args;
    for (const QString &s : list)
        args.push_back(s.toStdString());
    return args;
}

} // namespace

// The command line of quorvel-ipd: what it accepts, what it refuses and why.
class TestIpdConfig : public QObject
{
    Q_OBJECT
private slots:
    void listenAddress_data();
    void listenAddress();
    void arguments_data();
    void arguments();
    void trustedRanges();
};

void TestIpdConfig::listenAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");

    QTest::newRow("ipv4") << "127.0.0.1:8080" << true << "127.0.0.1" << 8080;
    QTest::newRow("ipv4 any, port 0") << "0.0.0.0:0" << true << "0.0.0.0" << 0;
    QTest::newRow("ipv6 loopback") << "[::1]:8080" << true << "::1" << 8080;
    QTest::newRow("ipv6 any, highest port") << "[::]:65535" << true << "::" << 65535;
    QTest::newRow("ipv6 long") << "[2001:db8::1:2]:80" << true << "2001:db8::1:2" << 80;

    QTest::newRow("empty") << "" << false << "" << 0;
    QTest::newRow("no port") << "127.0.0.1" << false << "" << 0;
    QTest::newRow("empty port") << "127.0.0.1:" << false << "" << 0;
    QTest::newRow("no address") << ":8080" << false << "" << 0;
    QTest::newRow("port too big") << "127.0.0.1:65536" << false << "" << 0;
    QTest::newRow("negative port") << "127.0.0.1:-1" << false << "" << 0;
    QTest::newRow("signed port") << "127.0.0.1:+80" << false << "" << 0;
    QTest::newRow("port with junk") << "127.0.0.1:80x" << false << "" << 0;
    QTest::newRow("host name") << "localhost:8080" << false << "" << 0;
    QTest::newRow("short ipv4") << "1.2.3:80" << false << "" << 0;
    QTest::newRow("ipv6 without brackets") << "::1:8080" << false << "" << 0;
    QTest::newRow("ipv6 without port") << "[::1]" << false << "" << 0;
    QTest::newRow("ipv6 without colon") << "[::1]8080" << false << "" << 0;
    QTest::newRow("ipv6 unclosed") << "[::1:8080" << false << "" << 0;
    QTest::newRow("ipv4 in brackets") << "[127.0.0.1]:80" << false << "" << 0;
    QTest::newRow("zone index") << "[fe80::1%lo]:80" << false << "" << 0;
    QTest::newRow("two ports") << "[::1]:80:80" << false << "" << 0;
}

void TestIpdConfig::listenAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, address);
    QFETCH(int, port);

    const std::optional<ListenAddress> l = parseListenAddress(text.toStdString());
    QCOMPARE(l.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(QString::fromStdString(l->address.to_string()), address);
    QCOMPARE(int(l->port), port);
    // What the server prints is what it reads.
    QCOMPARE(QString::fromStdString(listenAddressText(*l)), text);
}

void TestIpdConfig::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error"); // a part of the message; empty: accepted
    QTest::addColumn<bool>("help");
    QTest::addColumn<int>("listens");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("trusted");
    QTest::addColumn<int>("maxConnections");
    QTest::addColumn<int>("timeout");

    const int defMax = int(Config{}.maxConnections);
    const int defTimeout = int(Config{}.requestTimeout.count());

    QTest::newRow("one listen, defaults") << QStringList{"--listen", "127.0.0.1:8080"} << ""
                                          << false << 1 << 4 << 0 << defMax << defTimeout;
    QTest::newRow("two listens, equals form")
        << QStringList{"--listen=127.0.0.1:8080", "--listen", "[::1]:8080"} << "" << false << 2 << 4
        << 0 << defMax << defTimeout;
    QTest::newRow("everything")
        << QStringList{"--listen",          "[::]:80",    "--threads",         "2",
                       "--trust-proxy",     "10.0.0.0/8", "--trust-proxy",     "::1",
                       "--proxy-header",    "X-Real-IP",  "--max-connections", "100",
                       "--request-timeout", "3",          "--log-interval",    "5"}
        << "" << false << 1 << 2 << 2 << 100 << 3;
    QTest::newRow("threads capped by connections")
        << QStringList{"--listen", "127.0.0.1:1", "--max-connections", "2"} << "" << false << 1 << 2
        << 0 << 2 << defTimeout;
    QTest::newRow("two port-0 listens are two sockets")
        << QStringList{"--listen", "127.0.0.1:0", "--listen", "127.0.0.1:0"} << "" << false << 2
        << 4 << 0 << defMax << defTimeout;

    QTest::newRow("help wins") << QStringList{"--listen", "bogus", "--help"} << "" << true << 0 << 0
                               << 0 << 0 << 0;
    QTest::newRow("short help") << QStringList{"-h"} << "" << true << 0 << 0 << 0 << 0 << 0;

    QTest::newRow("nothing") << QStringList{} << "no --listen" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("unknown option") << QStringList{"--listen", "127.0.0.1:1", "--port", "80"}
                                    << "unknown option '--port'" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bare word") << QStringList{"127.0.0.1:80"} << "unknown option" << false << 0 << 0
                               << 0 << 0 << 0;
    QTest::newRow("value missing")
        << QStringList{"--listen"} << "--listen needs a value" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad listen") << QStringList{"--listen", "::1:80"} << "--listen: '::1:80'"
                                << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("same listen twice")
        << QStringList{"--listen", "127.0.0.1:80", "--listen", "127.0.0.1:80"} << "twice" << false
        << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("zero threads") << QStringList{"--listen", "127.0.0.1:1", "--threads", "0"}
                                  << "--threads" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("too many threads") << QStringList{"--listen", "127.0.0.1:1", "--threads", "257"}
                                      << "--threads" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("more threads than connections")
        << QStringList{"--listen", "127.0.0.1:1", "--threads", "4", "--max-connections", "2"}
        << "larger than --max-connections" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad proxy") << QStringList{"--listen", "127.0.0.1:1", "--trust-proxy", "lb1"}
                               << "--trust-proxy: 'lb1'" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad prefix") << QStringList{"--listen", "127.0.0.1:1", "--trust-proxy",
                                               "10.0.0.0/33"}
                                << "--trust-proxy" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("header without proxy")
        << QStringList{"--listen", "127.0.0.1:1", "--proxy-header", "x-forwarded-for"}
        << "only matters with --trust-proxy" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("unknown header")
        << QStringList{"--listen", "127.0.0.1:1",    "--trust-proxy",
                       "::1",      "--proxy-header", "Forwarded"}
        << "--proxy-header: 'Forwarded'" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("zero timeout") << QStringList{"--listen", "127.0.0.1:1", "--request-timeout",
                                                 "0"}
                                  << "--request-timeout" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("no connections")
        << QStringList{"--listen", "127.0.0.1:1", "--max-connections", "0"} << "--max-connections"
        << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("interval not a number")
        << QStringList{"--listen", "127.0.0.1:1", "--log-interval", "1m"} << "--log-interval"
        << false << 0 << 0 << 0 << 0 << 0;
}

void TestIpdConfig::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(bool, help);
    QFETCH(int, listens);
    QFETCH(int, threads);
    QFETCH(int, trusted);
    QFETCH(int, maxConnections);
    QFETCH(int, timeout);

    const ParseResult r = parseArguments(toArgs(args), 4);
    QCOMPARE(r.help, help);
    if (help)
        return;
    const QString message = QString::fromStdString(r.error);
    if (!error.isEmpty()) {
        QVERIFY2(message.contains(error), qPrintable(message));
        return;
    }
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QCOMPARE(int(r.config.listen.size()), listens);
    QCOMPARE(int(r.config.threads), threads);
    QCOMPARE(int(r.config.trustedProxies.size()), trusted);
    QCOMPARE(int(r.config.maxConnections), maxConnections);
    QCOMPARE(int(r.config.requestTimeout.count()), timeout);
}

void TestIpdConfig::trustedRanges()
{
    // The values reach the config as the ranges they name, in order, and the
    // header choice is kept.
    const ParseResult r = parseArguments(
        toArgs({"--listen", "127.0.0.1:1", "--trust-proxy", "10.1.0.0/16", "--trust-proxy",
                "2001:db8::7", "--proxy-header", "x-forwarded-for"}),
        1);
    QVERIFY2(r.error.empty(), r.error.c_str());
    QCOMPARE(r.config.trustedProxies.size(), std::size_t(2));
    QVERIFY(r.config.trustedProxies[0] == *parseAddressRange("10.1.0.0/16"));
    QVERIFY(r.config.trustedProxies[1] == *parseAddressRange("2001:db8::7/128"));
    // A mapped address is the IPv4 address it carries.
    QVERIFY(*parseAddressRange("::ffff:10.0.0.1") == *parseAddressRange("10.0.0.1/32"));
    QVERIFY(r.config.proxyHeader == ProxyHeader::XForwardedFor);
}

QTEST_APPLESS_MAIN(TestIpdConfig)
#include "TestIpdConfig.moc"
