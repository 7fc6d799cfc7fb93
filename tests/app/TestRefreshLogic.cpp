#include "IpChangeTracker.h"
#include "RefreshLogic.h"

#include <QtTest>

using namespace app;

class TestRefreshLogic : public QObject
{
    Q_OBJECT
private slots:
    void minutes();
    void ticks_data();
    void ticks();
    void changeSequence();
};

void TestRefreshLogic::minutes()
{
    const int expected[] = {1, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60};
    QCOMPARE(intervalEntries().size(), 13);
    for (int i = 0; i < 13; ++i)
        QCOMPARE(int(minutesForIntervalEntry(intervalEntries().at(i))), expected[i]);
    // Any text the list does not hold means an hour.
    for (const char *other : {"", "2 min.", "5 min"})
        QCOMPARE(int(minutesForIntervalEntry(QString::fromLatin1(other))), 60);
}

void TestRefreshLogic::ticks_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("dueAt"); // one char per tick: 1 = refresh

    QTest::newRow("every minute") << 0 << 1 << "1111";
    QTest::newRow("every fifth") << 0 << 5 << "0000100001";
    QTest::newRow("zero: every tick") << 0 << 0 << "111";
    QTest::newRow("negative: every tick") << 0 << -3 << "111";
    QTest::newRow("longest interval still reached") << 32766 << 32767 << "1";
    // The 16-bit counter wraps to -32768, which is below any interval.
    QTest::newRow("wraps like sixteen bits") << 32767 << 10 << "0";
}

void TestRefreshLogic::ticks()
{
    QFETCH(int, start);
    QFETCH(int, interval);
    QFETCH(QString, dueAt);
    qint16 elapsed = qint16(start);
    QString got;
    for (int i = 0; i < dueAt.size(); ++i)
        got += tickMinute(elapsed, qint16(interval)) ? u'1' : u'0';
    QCOMPARE(got, dueAt);
}

void TestRefreshLogic::changeSequence()
{
    address::IpChangeTracker t;
    QCOMPARE(t.last(), QString());
    const QList<QPair<QString, bool>> sequence{
        {"203.0.113.7", true},                  // first refresh of a run
        {"203.0.113.7", false},                 // same address
        {"(unable to access Internet)", true},  // connection lost
        {"(unable to access Internet)", false}, // still lost
        {"203.0.113.7", true},                  // back again
        {"203.0.113.7 ", true},                 // compared exactly, blanks count
        {"", true},                             // an empty answer is a change too
    };
    for (const auto &[ip, changed] : sequence) {
        QCOMPARE(t.accept(ip), changed);
        QCOMPARE(t.last(), ip);
    }
}

QTEST_APPLESS_MAIN(TestRefreshLogic)
#include "TestRefreshLogic.moc"
