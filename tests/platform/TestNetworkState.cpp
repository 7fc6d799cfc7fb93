#include "NetworkState.h"

#include <QtTest>

using platform::NetworkState;
Q_DECLARE_METATYPE(platform::NetworkState)

namespace {

// Interfaces: 1 lo, 2 eth0 (up, the default route's), 3 wlan0 (down),
// 4 a bridge for containers (down), 5 its port, 6 a bridge the machine is
// on (a second default route). The rule compares addresses as they are, so
// text stands in for their bytes.
NetworkState home()
{
    NetworkState s;
    s.interfaces = {{1, {true, true, false, false}},   {2, {true, false, false, false}},
                    {3, {false, false, false, false}}, {4, {false, false, true, false}},
                    {5, {true, false, false, true}},   {6, {true, false, true, false}}};
    s.addresses = {{1, "127.0.0.1"}, {2, "192.168.1.2"}, {6, "192.168.2.2"}};
    s.defaultRoutes = {{2, 254, 2, "192.168.1.1", 100}, {2, 254, 6, "192.168.2.1", 200}};
    return s;
}

} // namespace

class TestNetworkState : public QObject
{
    Q_OBJECT
private slots:
    void rule_data()
    {
        QTest::addColumn<NetworkState>("after");
        QTest::addColumn<bool>("counts");
        const NetworkState before = home();
        auto with = [&](auto change) {
            NetworkState s = before;
            change(s);
            return s;
        };
        QTest::newRow("no change") << before << false;
        QTest::newRow("default route gone")
            << with([](auto &s) { s.defaultRoutes.erase(s.defaultRoutes.begin()); }) << true;
        QTest::newRow("default route by another gateway") << with([](auto &s) {
            s.defaultRoutes = {{2, 254, 2, "192.168.1.254", 100}};
        }) << true;
        QTest::newRow("a VPN's default route in a table of its own") << with([](auto &s) {
            s.defaultRoutes.insert({10, 51820, 3, "", 0});
        }) << true;
        QTest::newRow("new address") << with([](auto &s) {
            s.addresses.insert({2, "203.0.113.2"});
        }) << true;
        QTest::newRow("address gone") << with([](auto &s) {
            s.addresses.erase({2, "192.168.1.2"});
        }) << true;
        QTest::newRow("address on an interface without a route") << with([](auto &s) {
            s.addresses.insert({3, "192.168.3.2"});
        }) << true;
        QTest::newRow("loopback address") << with([](auto &s) {
            s.addresses.insert({1, "127.0.0.2"});
        }) << false;
        QTest::newRow("address on a bridge without a route") << with([](auto &s) {
            s.addresses.insert({4, "172.17.0.1"});
        }) << false;
        QTest::newRow("address on a bridge with the default route") << with([](auto &s) {
            s.addresses.insert({6, "192.168.2.3"});
        }) << true;
        QTest::newRow("address on a bridge port") << with([](auto &s) {
            s.addresses.insert({5, "172.17.0.2"});
        }) << false;
        QTest::newRow("link up") << with([](auto &s) { s.interfaces[3].up = true; }) << true;
        QTest::newRow("link down") << with([](auto &s) { s.interfaces[2].up = false; }) << false;
        QTest::newRow("new interface, up") << with([](auto &s) {
            s.interfaces[7] = {true, false, false, false};
        }) << true;
        QTest::newRow("a container's port comes, up, with an address") << with([](auto &s) {
            s.interfaces[7] = {true, false, false, true};
            s.interfaces.erase(5);
            s.addresses.insert({7, "172.17.0.3"});
        }) << false;
        QTest::newRow("bridge without a route up")
            << with([](auto &s) { s.interfaces[4].up = true; }) << false;
        QTest::newRow("an interface gone with its address") << with([](auto &s) {
            s.interfaces.erase(6);
            s.addresses.erase({6, "192.168.2.2"});
        }) << true;
    }

    void rule()
    {
        QFETCH(NetworkState, after);
        QTEST(platform::mayMovePublicAddress(home(), after), "counts");
    }
};

QTEST_GUILESS_MAIN(TestNetworkState)
#include "TestNetworkState.moc"
