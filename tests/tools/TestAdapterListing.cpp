#include "AdapterListing.h"
#include "AdapterStatusSource.h"

#include <QtTest>

namespace {

// Adapters as a test describes them: which numbers are listed, which
// cannot be readied, and which address each gives.
struct ScriptedSource : platform::AdapterStatusSource
{
    std::optional<QList<int>> numbers;
    QList<int> resetFails;
    QHash<int, QByteArray> addresses;

    std::optional<QList<int>> adapterNumbers() override { return numbers; }
    bool reset(int a) override { return !resetFails.contains(a); }
    std::optional<QByteArray> hardwareAddress(int a) override
    {
        return addresses.contains(a) ? std::optional(addresses[a]) : std::nullopt;
    }
};

const QByteArray kMacA = QByteArray::fromHex("0251000000aa");
const QByteArray kMacB = QByteArray::fromHex("00163e05ab01");

} // namespace

Q_DECLARE_METATYPE(std::optional<QList<int>>)

class TestAdapterListing : public QObject
{
    Q_OBJECT
private slots:
    void items_data();
    void items();
};

void TestAdapterListing::items_data()
{
    QTest::addColumn<std::optional<QList<int>>>("numbers");
    QTest::addColumn<QList<int>>("resetFails");
    QTest::addColumn<QStringList>("items");

    const QStringList none{"No adapters using NetBIOS found"};
    QTest::newRow("cannot list") << std::optional<QList<int>>() << QList<int>{} << none;
    QTest::newRow("no adapters") << std::optional(QList<int>{}) << QList<int>{} << none;
    QTest::newRow("one") << std::optional(QList<int>{7}) << QList<int>{}
                         << QStringList{"Number of adapters: 1", "",
                                        "MAC address of lana 0:", "\t02 51 00 00 00 AA"};
    // Numbered by position, not by the system's number.
    QTest::newRow("two") << std::optional(QList<int>{7, 3}) << QList<int>{}
                         << QStringList{"Number of adapters: 2", "", "MAC address of lana 0:",
                                        "\t02 51 00 00 00 AA",   "", "MAC address of lana 1:",
                                        "\t00 16 3E 05 AB 01"};
    // Still counted; its address is not asked for although it has one.
    QTest::newRow("reset fails") << std::optional(QList<int>{7, 3}) << QList<int>{7}
                                 << QStringList{"Number of adapters: 2",
                                                "",
                                                "MAC address of lana 0:",
                                                "\t",
                                                "",
                                                "MAC address of lana 1:",
                                                "\t00 16 3E 05 AB 01"};
    QTest::newRow("no address (tunnel)")
        << std::optional(QList<int>{3, 9}) << QList<int>{}
        << QStringList{
               "Number of adapters: 2",  "",  "MAC address of lana 0:", "\t00 16 3E 05 AB 01", "",
               "MAC address of lana 1:", "\t"};
}

void TestAdapterListing::items()
{
    QFETCH(std::optional<QList<int>>, numbers);
    QFETCH(QList<int>, resetFails);
    QFETCH(QStringList, items);
    ScriptedSource source;
    source.numbers = numbers;
    source.resetFails = resetFails;
    source.addresses = {{7, kMacA}, {3, kMacB}};
    QCOMPARE(tools::listAdapters(source), items);
}

QTEST_APPLESS_MAIN(TestAdapterListing)
#include "TestAdapterListing.moc"
