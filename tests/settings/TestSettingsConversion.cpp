#include "SettingsConversion.h"

#include <QtTest>

class TestSettingsConversion : public QObject
{
    Q_OBJECT
private slots:
    void toInt16_data();
    void toInt16();
};

void TestSettingsConversion::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    QTest::newRow("0") << "0" << true << 0;
    QTest::newRow("1") << "1" << true << 1;
    QTest::newRow("60") << "60" << true << 60;
    QTest::newRow("blanks around") << "  12 " << true << 12;
    QTest::newRow("negative") << "-1" << true << -1;
    QTest::newRow("max") << "32767" << true << 32767;
    QTest::newRow("min") << "-32768" << true << -32768;
    QTest::newRow("half to even down") << "2.5" << true << 2;
    QTest::newRow("half to even up") << "3.5" << true << 4;
    QTest::newRow("negative half") << "-2.5" << true << -2;
    QTest::newRow("just above half") << "2.5000001" << true << 3;
    QTest::newRow("fraction only") << ".7" << true << 1;
    QTest::newRow("rounds past max") << "32767.5" << false << 0;
    QTest::newRow("rounds to max") << "32766.5" << true << 32766;
    QTest::newRow("above max") << "32768" << false << 0;
    QTest::newRow("huge") << "99999999999999999999" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blank") << "   " << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("blank inside") << "1 2" << false << 0;
    QTest::newRow("exponent") << "1e3" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0661") << false << 0;
}

void TestSettingsConversion::toInt16()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const auto r = settings::toInt16(text);
    QCOMPARE(r.has_value(), ok);
    if (ok)
        QCOMPARE(int(*r), value);
}

QTEST_APPLESS_MAIN(TestSettingsConversion)
#include "TestSettingsConversion.moc"
