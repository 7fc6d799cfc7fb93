#include "ConnectionState.h"

#include <QtTest>

using namespace platform;
using Snapshot = NetworkSnapshot;

Q_DECLARE_METATYPE(platform::NetworkSnapshot)

namespace {

Snapshot::Interface iface(const char *name, bool upAndRunning = true, bool modem = false)
{
    Snapshot::Interface i;
    i.name = QString::fromLatin1(name);
    i.up = i.running = upAndRunning;
    i.loopback = i.name == QLatin1String("lo");
    i.modemLike = modem;
    i.hasIpv4 = true;
    return i;
}

} // namespace

class TestConnectionState : public QObject
{
    Q_OBJECT
private slots:
    void rule_data();
    void rule();
    void service();
};

void TestConnectionState::rule_data()
{
    QTest::addColumn<Snapshot>("snapshot");
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("flags");

    const auto lo = iface("lo");
    Snapshot s{{lo, iface("eth0")}, {{"eth0", 100}}, {}, false};
    QTest::newRow("LAN, configured") << s << true << 0x42;
    s.defaultRoutes = {};
    QTest::newRow("no default route: offline") << s << false << 0x60;
    s.defaultRoutes = {{"lo", 0}};
    QTest::newRow("route over loopback does not count") << s << false << 0x60;
    // No carrier: the route leads nowhere, but the interface stays configured.
    s.defaultRoutes = {{"eth0", 100}};
    s.interfaces[1].running = false;
    QTest::newRow("up without carrier: offline") << s << false << 0x60;
    s = {{lo, iface("eth0", false), iface("ppp0", true, true)},
         {{"eth0", 0}, {"ppp0", 700}},
         {QString(), "http://proxy.example:3128"},
         true};
    // The LAN route is better but its interface is down: the modem carries it.
    QTest::newRow("PPP default route, proxy, pppd") << s << true << (0x01 | 0x04 | 0x10 | 0x40);
    s.interfaces[1].up = s.interfaces[1].running = true;
    QTest::newRow("lowest metric wins") << s << true << (0x02 | 0x04 | 0x10 | 0x40);
    s = {{lo, iface("wlan0")}, {{"wlan0", 600}}, {"  "}, false};
    s.interfaces[1].hasIpv4 = false;
    QTest::newRow("blank proxy, no address: not configured") << s << true << 0x02;
    s.interfaces[1].hasGlobalIpv6 = true;
    QTest::newRow("global IPv6 configures") << s << true << 0x42;
    QTest::newRow("nothing at all") << Snapshot{} << false << 0x20;
}

void TestConnectionState::rule()
{
    QFETCH(Snapshot, snapshot);
    QFETCH(bool, online);
    QFETCH(int, flags);
    const ConnectionState state = connectionStateOf(snapshot);
    QCOMPARE(state.online, online);
    QCOMPARE(int(state.flags), flags);
}

// What a system's own connection service says is taken as it is, whatever
// its result, only bits without a name dropped.
void TestConnectionState::service()
{
    QCOMPARE(connectionStateFromService(false, 0x60).flags, 0x60u);
    const ConnectionState lan = connectionStateFromService(true, 0xFFFFFF92u);
    QVERIFY(lan.online);
    QCOMPARE(lan.flags, 0x12u);
}

QTEST_APPLESS_MAIN(TestConnectionState)
#include "TestConnectionState.moc"
