#include "EchoTexts.h"

#include <QtTest>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <arpa/inet.h>
#endif

using namespace tools;

class TestEchoTexts : public QObject
{
    Q_OBJECT
private slots:
    void statusTexts_data();
    void statusTexts();
    void dottedAddress_data();
    void dottedAddress();
    void addressAsDecimal_data();
    void addressAsDecimal();
    void pingFields_data();
    void pingFields();
};

void TestEchoTexts::statusTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    const QList<QPair<int, const char *>> table = {
        {-1, "inet_addr: bad IP format"},
        {0, "ip success"},
        {500, "ping timeout"},
        {11001, "ip buf too_small"},
        {11002, "ip dest net unreachable"},
        {11003, "ip dest host unreachable"},
        {11004, "ip dest prot unreachable"},
        {11005, "ip dest port unreachable"},
        {11006, "ip no resources"},
        {11007, "ip bad option"},
        {11008, "ip hw_error"},
        {11009, "ip packet too_big"},
        {11010, "ip req timed out"},
        {11011, "ip bad req"},
        {11012, "ip bad route"},
        {11013, "ip ttl expired transit"},
        {11014, "ip ttl expired reassem"},
        {11015, "ip param_problem"},
        {11016, "ip source quench"},
        {11017, "ip option too_big"},
        {11018, "ip bad destination"},
        {11019, "ip addr deleted"},
        {11020, "ip spec mtu change"},
        {11021, "ip mtu_change"},
        {11022, "ip unload"},
        {11023, "ip addr added"},
        {11050, "ip general failure"},
        {11255, "ip pending"},
        // Around the holes of the table, and a foreign negative number.
        {11000, "unknown  msg returned"},
        {11024, "unknown  msg returned"},
        {11049, "unknown  msg returned"},
        {11051, "unknown  msg returned"},
        {11254, "unknown  msg returned"},
        {1, "unknown  msg returned"},
        {-5, "unknown  msg returned"},
    };
    for (const auto &[status, text] : table)
        QTest::addRow("%d", status) << status << QString::number(status) + "   [ " + text + " ]";
}

void TestEchoTexts::statusTexts()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    QCOMPARE(statusText(status), text);
}

void TestEchoTexts::dottedAddress_data()
{
    QTest::addColumn<QString>("text");
    // The sockets layer's own reading is the reference.
    for (const char *text : {"127.0.0.1",
                             "192.168.1.1",
                             "10.0.0.200",
                             "0.0.0.0",
                             "127.1",
                             "10.1.65535",
                             "1.16777215",
                             "4294967294",
                             "0x7f.0.0.1",
                             "0X7F.1",
                             "0177.0.0.01",
                             "1.2.3.4 tail",
                             "1.2.3.4\tx",
                             "255.255.255.254",
                             "255.255.255.255",
                             "4294967295",
                             "",
                             " 1.2.3.4",
                             "1.2.3.4x",
                             "1.2.3.",
                             "1..2.3",
                             ".1.2.3",
                             "1.2.3.4.5",
                             "256.1.1.1",
                             "1.2.3.256",
                             "1.2.65536",
                             "4294967296",
                             "08.1.1.1",
                             "0x",
                             "0x.1",
                             "0xg",
                             "+1.2.3.4",
                             "1.-2.3.4",
                             "host.example",
                             "1e3"})
        QTest::newRow(text) << QString::fromLatin1(text);
}

void TestEchoTexts::dottedAddress()
{
    QFETCH(QString, text);
    const quint32 reference = ::inet_addr(text.toLatin1().constData());
    const std::optional<quint32> parsed = parseDottedAddress(text);
    if (reference == INADDR_NONE)
        QCOMPARE(parsed, std::nullopt);
    else
        QCOMPARE(parsed, std::optional<quint32>(ntohl(reference)));
}

void TestEchoTexts::addressAsDecimal_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("decimal");
    QTest::newRow("private") << "192.168.1.1"
                             << "16885952";
    QTest::newRow("loopback") << "127.0.0.1"
                              << "16777343";
    QTest::newRow("last byte 128 or more is negative") << "10.0.0.200"
                                                       << "-939524086";
    QTest::newRow("last byte 127") << "1.2.3.127"
                                   << "2130903553";
    QTest::newRow("zero") << "0.0.0.0"
                          << "0";
    QTest::newRow("all ones") << "255.255.255.255"
                              << "-1";
}

void TestEchoTexts::addressAsDecimal()
{
    QFETCH(QString, address);
    QFETCH(QString, decimal);
    QCOMPARE(tools::addressAsDecimal(QHostAddress(address).toIPv4Address()), decimal);
}

void TestEchoTexts::pingFields_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("fields"); // "<kept>" where the field stays
    QTest::newRow("echo") << 0 << true << QByteArray("Echo This")
                          << QStringList{"0   [ ip success ]", "16777343", "7 ms", "9 bytes",
                                         "Echo This",          "28"};
    QTest::newRow("data up to the first NUL")
        << 0 << true << QByteArray("ab\0cd", 5)
        << QStringList{"0   [ ip success ]", "16777343", "7 ms", "5 bytes", "ab", "28"};
    QTest::newRow("empty data keeps the field")
        << 0 << true << QByteArray()
        << QStringList{"0   [ ip success ]", "16777343", "7 ms", "0 bytes", "<kept>", "28"};
    QTest::newRow("leading NUL keeps the field")
        << 0 << true << QByteArray("\0x", 2)
        << QStringList{"0   [ ip success ]", "16777343", "7 ms", "2 bytes", "<kept>", "28"};
    QTest::newRow("bad address")
        << -1 << false << QByteArray()
        << QStringList{"-1   [ inet_addr: bad IP format ]", "0", "0 ms", "0 bytes", "<kept>", "0"};
}

void TestEchoTexts::pingFields()
{
    QFETCH(int, status);
    QFETCH(bool, answered);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, fields);
    platform::EchoReply reply;
    if (answered) {
        reply = {true, QHostAddress("127.0.0.1").toIPv4Address(), status, 7, data};
    }
    const PingFields f = tools::pingFields(status, reply);
    const QStringList got = {
        f.status,     f.address, f.roundTrip, f.dataSize, f.dataReturned.value_or("<kept>"),
        f.dataPointer};
    QCOMPARE(got, fields);
}

QTEST_APPLESS_MAIN(TestEchoTexts)
#include "TestEchoTexts.moc"
