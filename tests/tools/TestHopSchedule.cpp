#include "HopSchedule.h"

#include <QtTest>

using tools::HopSchedule;

namespace {

struct FakeClock : tools::Clock
{
    qint64 now = 0;
    qint64 nowMs() const override { return now; }
};

// How a hop answers its probe: after so many ms, ending the route or not.
struct Answer
{
    int afterMs = 0;
    bool final = false;
};
using Route = QMap<int, Answer>; // hops not listed never answer

platform::EchoReply replyFrom(int hop)
{
    platform::EchoReply reply;
    reply.answered = true;
    reply.address = quint32(hop);
    return reply;
}

// Runs a whole trace over the route on a clock that jumps from one event to
// the next. Each hop as it is reported: "3@70" answered, "3!@70" answered
// and ending the route, "3*@70" silent, at 70 ms; "stop" when the trace
// gave up after a run of silent hops.
QString trace(const Route &route)
{
    FakeClock clock;
    HopSchedule schedule(clock);
    QMap<qint64, QList<int>> due; // answers by the time they arrive
    QStringList hops;
    const auto send = [&] {
        for (int hop : schedule.hopsToSend())
            if (route.contains(hop))
                due[clock.now + route[hop].afterMs] << hop;
    };
    send();
    while (!schedule.isFinished() && clock.now < 60000) {
        const std::optional<qint64> deadline = schedule.nextDeadline();
        clock.now = std::min(due.isEmpty() ? INT_MAX : due.firstKey(), deadline.value_or(INT_MAX));
        for (int hop : due.take(clock.now))
            schedule.answer(hop, replyFrom(hop), route[hop].final);
        for (const HopSchedule::Hop &h : schedule.takeSettled())
            hops << QString::number(h.number) +
                        (!h.answered ? "*"
                         : h.final   ? "!"
                                     : "") +
                        '@' + QString::number(clock.now);
        send();
    }
    if (schedule.endedInSilence())
        hops << "stop";
    return hops.join(' ');
}

} // namespace

class TestHopSchedule : public QObject
{
    Q_OBJECT
private slots:
    void reportsInHopOrder();
    void waitingRule_data();
    void waitingRule();
};

void TestHopSchedule::reportsInHopOrder()
{
    FakeClock clock;
    HopSchedule::Limits limits;
    limits.inFlight = 4;
    HopSchedule s(clock, limits);
    QCOMPARE(s.hopsToSend(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(s.hopsToSend(), QList<int>{});
    clock.now = 1;
    QVERIFY(s.answer(3, replyFrom(3), false));
    QCOMPARE(s.takeSettled().size(), 0);
    QVERIFY(s.answer(1, replyFrom(1), false));
    QVERIFY(!s.answer(1, replyFrom(1), false)); // a second answer for a hop
    QCOMPARE(s.takeSettled().size(), 1);
    QVERIFY(!s.answer(1, replyFrom(1), true)); // too late: hop 1 is reported
    // One hop reported makes room for one more probe.
    QCOMPARE(s.hopsToSend(), QList<int>{5});
    QVERIFY(!s.answer(6, replyFrom(6), false)); // never sent
    QVERIFY(s.answer(2, replyFrom(2), false));
    QCOMPARE(s.takeSettled().size(), 2);
    QCOMPARE(s.hopsToSend(), (QList<int>{6, 7}));
    QVERIFY(!s.isFinished());
}

void TestHopSchedule::waitingRule_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<QString>("listing");
    // Routers answer from a slow path: hop 2 after 70 ms, the destination
    // after 20 ms. Three times 20 ms would give up on the router.
    QTest::newRow("slow router") << Route{{1, {0}}, {2, {70}}, {3, {20, true}}} << "1@0 2@70 3!@70";
    // The router beyond hop 2 gives up on the host's address after 3 s and
    // says so for every probe: hop 3 shows it, nothing after hop 3 shows.
    Route unreachable{{1, {0}}, {2, {0}}};
    for (int hop = 3; hop <= 18; ++hop)
        unreachable[hop] = {3080, true};
    QTest::newRow("late unreachable") << unreachable << "1@0 2@0 3!@3080";
    QTest::newRow("silent hop: ten times the next round trip")
        << Route{{2, {1}}, {3, {2, true}}} << "1*@10 2@10 3!@10";
    QTest::newRow("the nearest later hop counts, not the quickest")
        << Route{{1, {0}}, {3, {2, true}}, {4, {1}}} << "1@0 2*@20 3!@20";
    QTest::newRow("never beyond 2.4 s once the route goes on")
        << Route{{2, {1000}}, {3, {1000, true}}} << "1*@2400 2@2400 3!@2400";
    QTest::newRow("a fast network still waits a little")
        << Route{{2, {0}}, {3, {0, true}}} << "1*@5 2@5 3!@5";
    // The destination swallows echo requests: eight silent hops in a row,
    // each waited for as long as an answer might come, end the trace.
    QTest::newRow("destination never answers")
        << Route{{1, {0}}, {2, {0}}}
        << "1@0 2@0 3*@5000 4*@5000 5*@5000 6*@5000 7*@5000 8*@5000 9*@5000 10*@5000 stop";
    // ...but not when a hop beyond the run has answered.
    QTest::newRow("a long silent run before the destination")
        << Route{{9, {4000, true}}}
        << "1*@4000 2*@4000 3*@4000 4*@4000 5*@4000 6*@4000 "
           "7*@4000 8*@4000 9!@4000";
}

void TestHopSchedule::waitingRule()
{
    QFETCH(Route, route);
    QFETCH(QString, listing);
    QCOMPARE(trace(route), listing);
}

QTEST_APPLESS_MAIN(TestHopSchedule)
#include "TestHopSchedule.moc"
