#include "HopSchedule.h"

#include <QtTest>

using tools::HopSchedule;

namespace {

// Later hops' answers: hop and round trip in ms.
using Answers = QList<QPair<int, int>>;

// A trace's schedule on a clock the test moves by hand.
struct Trace
{
    explicit Trace(int inFlight = 4, int maxHop = 30)
        : schedule([this] { return now; }, limits(inFlight, maxHop))
    {
    }
    static HopSchedule::Limits limits(int inFlight, int maxHop)
    {
        HopSchedule::Limits l;
        l.inFlight = inFlight;
        l.maxHop = maxHop;
        return l;
    }
    bool answer(int hop, bool final = false)
    {
        platform::EchoReply reply;
        reply.answered = true;
        reply.address = quint32(hop);
        return schedule.answer(hop, reply, final);
    }
    // "3" for an answered hop, "3*" for a silent one.
    QStringList settled()
    {
        QStringList hops;
        for (const HopSchedule::Hop &h : schedule.takeSettled())
            hops << QString::number(h.number) + (h.answered ? "" : "*");
        return hops;
    }

    qint64 now = 0;
    HopSchedule schedule;
};

} // namespace

class TestHopSchedule : public QObject
{
    Q_OBJECT
private slots:
    void reportsInHopOrder();
    void waitingRule_data();
    void waitingRule();
    void endsAtTheFirstFinalHop();
    void lateFinalAnswerEndsTheTrace();
    void lastHopWithoutDestination();
};

void TestHopSchedule::reportsInHopOrder()
{
    Trace t;
    QCOMPARE(t.schedule.hopsToSend(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(t.schedule.hopsToSend(), QList<int>{});
    t.now = 1;
    QVERIFY(t.answer(3));
    QCOMPARE(t.settled(), QStringList{});
    QVERIFY(t.answer(1));
    QVERIFY(!t.answer(1)); // a second answer for a hop
    QCOMPARE(t.settled(), QStringList{"1"});
    // One hop reported makes room for one more probe.
    QCOMPARE(t.schedule.hopsToSend(), QList<int>{5});
    QVERIFY(t.answer(2));
    QCOMPARE(t.settled(), (QStringList{"2", "3"}));
    QCOMPARE(t.schedule.hopsToSend(), (QList<int>{6, 7}));
    QVERIFY(!t.schedule.isFinished());
}

void TestHopSchedule::waitingRule_data()
{
    // Hops 1 to 4 are sent at 0; hop 1 never answers. Later hops answer
    // with the given round trips (ms).
    QTest::addColumn<Answers>("laterAnswers");
    QTest::addColumn<int>("deadline");
    QTest::newRow("no later answer: the full wait") << Answers{} << 2400;
    QTest::newRow("three times the later round trip") << Answers{{2, 100}} << 300;
    QTest::newRow("never beyond the full wait") << Answers{{3, 1000}} << 2400;
    QTest::newRow("a fast network still waits a little") << Answers{{2, 0}} << 5;
    QTest::newRow("just under the floor") << Answers{{4, 1}} << 5;
    QTest::newRow("just over the floor") << Answers{{4, 2}} << 6;
    QTest::newRow("the quickest later hop counts") << Answers{{2, 200}, {4, 50}} << 150;
}

void TestHopSchedule::waitingRule()
{
    QFETCH(Answers, laterAnswers);
    QFETCH(int, deadline);
    Trace t;
    t.schedule.hopsToSend();
    for (const auto &[hop, roundTrip] : laterAnswers) {
        t.now = roundTrip;
        t.answer(hop);
    }
    QCOMPARE(t.schedule.nextDeadline(), std::optional<qint64>(deadline));
    t.now = std::max<qint64>(t.now, deadline - 1);
    if (t.now < deadline)
        QCOMPARE(t.settled(), QStringList{});
    t.now = deadline;
    const QStringList settled = t.settled();
    QVERIFY2(!settled.isEmpty() && settled.first() == "1*", qPrintable(settled.join(',')));
}

void TestHopSchedule::endsAtTheFirstFinalHop()
{
    Trace t(8);
    t.schedule.hopsToSend();
    t.now = 2;
    QVERIFY(t.answer(5, true)); // the destination, as far as we know yet
    QVERIFY(t.answer(3, true)); // ...but it answers a lower TTL too
    QVERIFY(!t.answer(4));      // beyond the end: ignored
    QVERIFY(t.answer(1));
    QCOMPARE(t.settled(), QStringList{"1"});
    t.now = 6; // hop 2 waits three times the 2 ms of hop 3
    QCOMPARE(t.settled(), (QStringList{"2*", "3"}));
    QVERIFY(t.schedule.isFinished());
    QCOMPARE(t.schedule.hopsToSend(), QList<int>{});
    QCOMPARE(t.schedule.nextDeadline(), std::nullopt);
    QVERIFY(!t.schedule.lateEnd());
}

void TestHopSchedule::lateFinalAnswerEndsTheTrace()
{
    Trace t;
    t.schedule.hopsToSend();
    t.now = 2400;
    QCOMPARE(t.settled(), (QStringList{"1*", "2*", "3*", "4*"}));
    QCOMPARE(t.schedule.hopsToSend(), (QList<int>{5, 6, 7, 8}));
    t.now = 3100;
    QVERIFY(!t.answer(2)); // a late time-exceeded tells nothing new
    QVERIFY(!t.schedule.isFinished());
    QVERIFY(!t.answer(3, true)); // a late unreachable ends the route there
    QVERIFY(t.schedule.isFinished());
    QCOMPARE(t.schedule.lateEnd()->number, 3);
    QCOMPARE(t.schedule.hopsToSend(), QList<int>{});
    QCOMPARE(t.settled(), QStringList{});
}

void TestHopSchedule::lastHopWithoutDestination()
{
    Trace t(16, 3);
    QCOMPARE(t.schedule.hopsToSend(), (QList<int>{1, 2, 3}));
    t.now = 2400;
    QCOMPARE(t.settled(), (QStringList{"1*", "2*", "3*"}));
    QVERIFY(t.schedule.isFinished());
    QVERIFY(!t.answer(3, true));
}

QTEST_APPLESS_MAIN(TestHopSchedule)
#include "TestHopSchedule.moc"
