#include "NetworkChangeFolder.h"

#include <QtTest>

using app::NetworkChangeFolder;
using Ms = std::chrono::milliseconds;

namespace {

// Runs the folder on a fake clock for a minute: changes (and wake-ups, as
// negative times) at the given milliseconds, timed refreshes starting at
// others, every refresh taking refreshMs. Returns when the refreshes the
// folder asked for started.
QList<int> run(const QList<int> &changes, const QList<int> &timed, int refreshMs)
{
    NetworkChangeFolder folder;
    const NetworkChangeFolder::TimePoint zero{};
    const auto at = [&](int ms) { return zero + Ms(ms); };
    const auto msOf = [&](auto t) { return int((t - zero) / Ms(1)); };
    QList<int> started;
    int runningUntil = -1;
    int now = 0;
    auto nextChange = changes.begin();
    auto nextTimed = timed.begin();
    while (now <= 60000) {
        // What happens next: a refresh ends, a change, a timed refresh, or
        // the folder's own refresh falls due (an equal moment is a change's).
        int next = 60001;
        if (runningUntil >= 0)
            next = runningUntil;
        if (nextChange != changes.end())
            next = std::min(next, std::abs(*nextChange));
        if (nextTimed != timed.end())
            next = std::min(next, *nextTimed);
        const auto due = folder.dueAt();
        const bool ownTurn = due && msOf(*due) < next;
        now = ownTurn ? std::max(now, msOf(*due)) : next;
        if (now > 60000)
            break;
        if (runningUntil == now) {
            folder.refreshFinished();
            runningUntil = -1;
        } else if (!ownTurn && nextChange != changes.end() && std::abs(*nextChange) == now) {
            *nextChange < 0 ? folder.resumed(at(now)) : folder.networkChanged(at(now));
            ++nextChange;
        } else {
            // The folder's refresh or a timed one (none falls during another).
            if (ownTurn)
                started << now;
            else
                ++nextTimed;
            folder.refreshStarted(at(now));
            runningUntil = now + refreshMs;
        }
    }
    return started;
}

QList<int> every(int periodMs, int from, int to)
{
    QList<int> times;
    for (int t = from; t <= to; t += periodMs)
        times << t;
    return times;
}

} // namespace

class TestNetworkChangeFolder : public QObject
{
    Q_OBJECT
private slots:
    void folding_data()
    {
        QTest::addColumn<QList<int>>("changes");
        QTest::addColumn<QList<int>>("timed");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("nothing") << QList<int>{} << QList<int>{} << QList<int>{};
        QTest::newRow("one change: a second later")
            << QList<int>{100} << QList<int>{} << QList<int>{1100};
        QTest::newRow("a burst of 20: once, when quiet")
            << every(50, 0, 950) << QList<int>{} << QList<int>{1950};
        QTest::newRow("changes during the refresh: one more after it, not within 5 s")
            << QList<int>{0, 1200, 1300} << QList<int>{} << QList<int>{1000, 6000};
        QTest::newRow("a timed refresh sees the changes before it")
            << QList<int>{0, 200} << QList<int>{500} << QList<int>{};
        QTest::newRow("but not those during it")
            << QList<int>{0, 700} << QList<int>{500} << QList<int>{5500};
        QTest::newRow("a wake-up waits for the network to come back")
            << QList<int>{-1000} << QList<int>{} << QList<int>{4000};
        QTest::newRow("network changes after a wake-up fold into it")
            << QList<int>{-1000, 2500, 3500} << QList<int>{} << QList<int>{4500};
        QTest::newRow("a network that never quiets down: every 10 s")
            << every(300, 0, 25000) << QList<int>{} << QList<int>{10000, 20200, 25900};
    }

    void folding()
    {
        QFETCH(QList<int>, changes);
        QFETCH(QList<int>, timed);
        QTEST(run(changes, timed, 500), "expected");
    }

    // However a link flaps, the refreshes it causes stay apart and few.
    void flappingLink_data()
    {
        QTest::addColumn<int>("periodMs");
        for (int period : {200, 900, 1100, 2000, 4900, 5100, 12000})
            QTest::addRow("every %d ms", period) << period;
    }

    void flappingLink()
    {
        QFETCH(int, periodMs);
        const QList<int> started = run(every(periodMs, 0, 60000), {}, 300);
        QVERIFY2(started.size() >= 60000 / std::max(periodMs + 1000, 10000) - 1,
                 qPrintable(QString::number(started.size())));
        for (qsizetype i = 1; i < started.size(); ++i)
            QVERIFY(started[i] - started[i - 1] >= 5000);
    }
};

QTEST_GUILESS_MAIN(TestNetworkChangeFolder)
#include "TestNetworkChangeFolder.moc"
