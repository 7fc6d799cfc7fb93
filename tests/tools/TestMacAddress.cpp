#include "MacAddress.h"

#include <QtTest>

class TestMacAddress : public QObject
{
    Q_OBJECT
private slots:
    void text_data();
    void text();
};

void TestMacAddress::text_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    const QByteArray mac = QByteArray::fromHex("001a2b3c4d5e");
    QTest::newRow("blank") << " " << mac << "00 1A 2B 3C 4D 5E";
    QTest::newRow("dash") << "-" << mac << "00-1A-2B-3C-4D-5E";
    QTest::newRow("5 and 171") << ":" << QByteArray::fromHex("05ab05ab05ab") << "05:AB:05:AB:05:AB";
    QTest::newRow("extremes") << "-" << QByteArray::fromHex("ff800f100100") << "FF-80-0F-10-01-00";
    QTest::newRow("no separator") << "" << mac << "001A2B3C4D5E";
    QTest::newRow("longer separator") << " - " << mac << "00 - 1A - 2B - 3C - 4D - 5E";
    QTest::newRow("five bytes") << "-" << mac.left(5) << "";
    QTest::newRow("seven bytes") << "-" << mac + '\x01' << "";
    QTest::newRow("one byte") << "-" << mac.left(1) << "";
    QTest::newRow("no bytes") << "-" << QByteArray() << "(error building MAC address)";
}

void TestMacAddress::text()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QCOMPARE(tools::macAddressText(bytes, separator), text);
}

QTEST_APPLESS_MAIN(TestMacAddress)
#include "TestMacAddress.moc"
