#include "NetBiosBuffers.h"

#include <QtTest>

using namespace platform::netbios;

class TestNetBiosBuffers : public QObject
{
    Q_OBJECT
private slots:
    void adapterNumbers_data()
    {
        QTest::addColumn<QByteArray>("enumeration");
        QTest::addColumn<QList<int>>("numbers");
        QByteArray full(kEnumerationSize, '\0');
        full[0] = char(2);
        full[1] = char(3);
        full[2] = char(0);
        QTest::newRow("two, in the system's order") << full << QList<int>{3, 0};
        full[0] = char(0);
        QTest::newRow("none") << full << QList<int>{};
        QTest::newRow("empty buffer") << QByteArray() << QList<int>{};
        QTest::newRow("count beyond the bytes")
            << QByteArray("\x05\x07\xFE", 3) << QList<int>{7, 254};
        QByteArray all(kEnumerationSize, '\x01');
        all[0] = char(255);
        QTest::newRow("255, read as unsigned") << all << QList<int>(255, 1);
    }
    void adapterNumbers()
    {
        QFETCH(QByteArray, enumeration);
        QTEST(platform::netbios::adapterNumbers(enumeration), "numbers");
    }

    void hardwareAddress_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("address"); // null: none
        const QByteArray mac("\x00\x1A\x2B\x3C\x4D\x5E", 6);
        QTest::newRow("full status") << (mac + QByteArray(kAdapterStatusSize - 6, '\x77')) << mac;
        QTest::newRow("just six bytes") << mac << mac;
        QTest::newRow("cut short") << mac.left(5) << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void hardwareAddress()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, address);
        const auto read = platform::netbios::hardwareAddress(status);
        QCOMPARE(read.has_value(), !address.isNull());
        if (read)
            QCOMPARE(*read, address);
    }

    void callNameIsTheAdapterItself()
    {
        QCOMPARE(adapterStatusCallName(), QByteArray("*               "));
    }
};

QTEST_APPLESS_MAIN(TestNetBiosBuffers)
#include "TestNetBiosBuffers.moc"
