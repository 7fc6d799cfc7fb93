#include "RefreshLogic.h"

#include <QtTest>

using namespace app;

class TestRefreshLogic : public QObject
{
    Q_OBJECT
private slots:
    void minutes_data();
    void minutes();
    void ticks_data();
    void ticks();
    void shorterIntervalTakesEffectAtNextTick();
    void counterWrapsLikeSixteenBits();
    void changeSequence();
};

void TestRefreshLogic::minutes_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("minutes");
    const int expected[] = {1, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60};
    for (int i = 0; i < 13; ++i)
        QTest::newRow(qPrintable(intervalEntries().at(i)))
            << intervalEntries().at(i) << expected[i];
    QTest::newRow("empty") << "" << 60;
    QTest::newRow("unknown") << "2 min." << 60;
    QTest::newRow("no point") << "5 min" << 60;
}

void TestRefreshLogic::minutes()
{
    QFETCH(QString, entry);
    QFETCH(int, minutes);
    QCOMPARE(int(minutesForIntervalEntry(entry)), minutes);
}

void TestRefreshLogic::ticks_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("dueAt"); // one char per tick: 1 = refresh

    QTest::newRow("every minute") << 1 << "1111";
    QTest::newRow("every fifth") << 5 << "0000100001";
    QTest::newRow("zero: every tick") << 0 << "111";
    QTest::newRow("negative: every tick") << -3 << "111";
}

void TestRefreshLogic::ticks()
{
    QFETCH(int, interval);
    QFETCH(QString, dueAt);
    qint16 elapsed = 0;
    QString got;
    for (int i = 0; i < dueAt.size(); ++i)
        got += tickMinute(elapsed, qint16(interval)) ? u'1' : u'0';
    QCOMPARE(got, dueAt);
}

void TestRefreshLogic::shorterIntervalTakesEffectAtNextTick()
{
    qint16 elapsed = 0;
    for (int i = 0; i < 3; ++i)
        QVERIFY(!tickMinute(elapsed, 5));
    QCOMPARE(elapsed, qint16(3));
    QVERIFY(tickMinute(elapsed, 1));
    QCOMPARE(elapsed, qint16(0));
}

void TestRefreshLogic::counterWrapsLikeSixteenBits()
{
    qint16 elapsed = 32766;
    QVERIFY(tickMinute(elapsed, 32767)); // the longest interval is still reached
    elapsed = 32767;
    // The next minute wraps to -32768, which is below any interval.
    QVERIFY(!tickMinute(elapsed, 10));
    QCOMPARE(elapsed, qint16(-32768));
}

void TestRefreshLogic::changeSequence()
{
    IpChangeTracker t;
    QCOMPARE(t.last(), QString());
    const QList<QPair<QString, bool>> sequence{
        {"203.0.113.7", true},                  // first refresh of a run
        {"203.0.113.7", false},                 // same address
        {"203.0.113.8", true},                  // new address
        {"(unable to access Internet)", true},  // connection lost
        {"(unable to access Internet)", false}, // still lost
        {"203.0.113.8", true},                  // back again
        {"203.0.113.8 ", true},                 // compared exactly, blanks count
        {"", true},                             // an empty answer is a change too
    };
    for (const auto &[ip, changed] : sequence) {
        QCOMPARE(t.accept(ip), changed);
        QCOMPARE(t.last(), ip);
    }
}

QTEST_APPLESS_MAIN(TestRefreshLogic)
#include "TestRefreshLogic.moc"
