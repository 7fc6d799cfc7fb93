#include "HostAddresses.h"

#include <QtTest>

using namespace address;

Q_DECLARE_METATYPE(QList<address::InterfaceAddresses>)

class TestHostAddresses : public QObject
{
    Q_OBJECT
private slots:
    void lan_data();
    void lan();
    void hostNameMessage();
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

void TestHostAddresses::hostNameMessage()
{
    QCOMPARE(hostNameErrorMessage(36), QStringLiteral("Windows Sockets error 36 has occurred.  "
                                                      "Unable to successfully get Host Name."));
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
