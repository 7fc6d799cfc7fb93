#include "HostAddresses.h"
#include "HostName.h"
#include "Ipv6Addresses.h"

#include <QHostAddress>

#include <QtTest>

using namespace address;

Q_DECLARE_METATYPE(QList<address::InterfaceAddresses>)
Q_DECLARE_METATYPE(platform::HostNameResult)

class TestHostAddresses : public QObject
{
    Q_OBJECT
private slots:
    void lan_data();
    void lan();
    void ipv6Lan();
    void hostNameMessage();
    void hostNameMessages_data();
    void hostNameMessages();
    void hostNameOfThisMachine();
};

void TestHostAddresses::lan_data()
{
    using L = QList<InterfaceAddresses>;
    QTest::addColumn<L>("interfaces");
    QTest::addColumn<QString>("expected");

    QTest::newRow("none") << L{} << "";
    QTest::newRow("loopback only") << L{{true, {"127.0.0.1"}}} << "";
    QTest::newRow("one") << L{{true, {"127.0.0.1"}}, {false, {"192.0.2.10"}}} << "192.0.2.10\r\n";
    QTest::newRow("two in given order") << L{{false, {"198.51.100.1"}}, {false, {"192.0.2.10"}}}
                                        << "198.51.100.1\r\n192.0.2.10\r\n";
    QTest::newRow("first address only")
        << L{{false, {"192.0.2.10", "192.0.2.11"}}} << "192.0.2.10\r\n";
    QTest::newRow("no IPv4 skipped") << L{{false, {}}, {false, {"192.0.2.10"}}} << "192.0.2.10\r\n";
    QTest::newRow("0.0.0.0 skipped")
        << L{{false, {"0.0.0.0", "192.0.2.10"}}, {false, {"192.0.2.20"}}} << "192.0.2.20\r\n";
}

void TestHostAddresses::lan()
{
    QFETCH(QList<InterfaceAddresses>, interfaces);
    QFETCH(QString, expected);
    QCOMPARE(formatLanAddresses(interfaces), expected);
}

void TestHostAddresses::ipv6Lan()
{
    QList<platform::Ipv6InterfaceAddress> system;
    for (const char *text : {"::1", "fe80::1", "2001:db8::7", "ff02::1", "fec0::1", "fd00::2",
                             "::ffff:192.0.2.1", "::", "2001:db8::7", "2001:db8::9"}) {
        const Q_IPV6ADDR a = QHostAddress(QString::fromLatin1(text)).toIPv6Address();
        system.append({QByteArray(reinterpret_cast<const char *>(a.c), 16), false});
    }
    system.last().unusable = true; // a deprecated temporary address
    QCOMPARE(globalIpv6Addresses(system), (QStringList{"2001:db8::7", "fd00::2"}));
    // Notes (what the change command said) stand before the LAN list.
    QCOMPARE(composeInfoText("h", "192.0.2.1", "(no IPv6)", "192.0.2.5\r\n", {"Change Command"}),
             "Host Name: h\r\nIP Internet: 192.0.2.1\r\nIP Internet (IPv6): (no IPv6)\r\n"
             "Change Command\r\nLAN IP Address: \r\n192.0.2.5\r\n");
}

void TestHostAddresses::hostNameMessage()
{
    QCOMPARE(hostNameErrorMessage(36), QStringLiteral("Windows Sockets error 36 has occurred.  "
                                                      "Unable to successfully get Host Name."));
}

void TestHostAddresses::hostNameMessages_data()
{
    QTest::addColumn<platform::HostNameResult>("result");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");
    using R = platform::HostNameResult;
    QTest::newRow("sockets not responding")
        << R{false, {}, 0, {10091, 0, 0}, false} << ""
        << QStringList{"The 32-bit Windows Socket is not responding."};
    QTest::newRow("version 1.0") << R{false, {}, 0, {0, 0x0001, 100}, false} << ""
                                 << QStringList{"Sockets version 1.0 is not supported by 32-bit "
                                                "Windows Sockets."};
    QTest::newRow("version 2.0 will do")
        << R{true, "h", 0, {0, 2, 9}, false} << "h" << QStringList();
    QTest::newRow("query refused, clean-up failed")
        << R{false, {}, 10093, {}, true} << ""
        << QStringList{hostNameErrorMessage(10093), "Socket error occurred in Cleanup."};
    QTest::newRow("clean-up failed, name kept") << R{true, "host", 0, {}, true} << "host"
                                                << QStringList{"Socket error occurred in Cleanup."};
}

void TestHostAddresses::hostNameMessages()
{
    QFETCH(platform::HostNameResult, result);
    QStringList messages;
    QTEST(hostNameFrom(result, &messages), "name");
    QTEST(messages, "messages");
}

void TestHostAddresses::hostNameOfThisMachine()
{
    QStringList messages;
    const QString name = localHostName(&messages);
    QVERIFY(messages.isEmpty());
    QCOMPARE(name, QSysInfo::machineHostName());
}

QTEST_APPLESS_MAIN(TestHostAddresses)
#include "TestHostAddresses.moc"
