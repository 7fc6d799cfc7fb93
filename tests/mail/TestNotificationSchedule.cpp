#include "NotificationSchedule.h"

#include <QtTest>

using namespace mail;

// When notification mails are tried: back-off after failures, folding of
// changes that come too fast, at most four mails an hour.
class TestNotificationSchedule : public QObject
{
    Q_OBJECT
private slots:
    void schedule_data();
    void schedule();
};

void TestNotificationSchedule::schedule_data()
{
    // Events at minutes: cM a change, tM a try (T: a mail is due, Tn: one
    // that folds n changes, -: none), rM a try after a refresh, fM / sM
    // the attempt failed / succeeded. The timer's next check follows each
    // failure in brackets.
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("tries");
    QTest::newRow("back-off: 1, 2, 5, 10 minutes, then refreshes 10 minutes apart")
        << "c0 t0 f0 t0.9 t1 f1 t2.9 t3 f3 t7.9 t8 f8 t17.9 t18 f18 t40 r27.9 r28"
        << "T[1]-T[3]-T[8]-T[18]-T[]--T";
    QTest::newRow("changes while the server is down fold into one mail")
        << "c0 t0 f0 c0.5 c0.7 t1 s1 t2"
        << "T[1]T3-";
    QTest::newRow("four mails an hour, the rest folded")
        << "c0 t0 s0 c1 t1 s1 c2 t2 s2 c3 t3 s3 c4 t4 c5 t30 t59.9 t60"
        << "TTTT---T2";
    QTest::newRow("a change during an attempt gets its own mail") << "c0 t0 c0.5 s1 t1 t2"
                                                                  << "TT-";
}

void TestNotificationSchedule::schedule()
{
    QFETCH(QString, events);
    QFETCH(QString, tries);
    NotificationSchedule schedule;
    QString got;
    for (const QString &event : events.split(u' ')) {
        const auto now = qint64(event.mid(1).toDouble() * NotificationSchedule::kMinute);
        const QChar kind = event.at(0);
        if (kind == u'c') {
            schedule.changed({"s", "body\r\n"}, now);
        } else if (kind == u't' || kind == u'r') {
            const auto mail = schedule.takeDue(now, kind == u'r');
            const QRegularExpression folded("(\\d+) address changes were folded");
            const auto m = folded.match(mail ? mail->body : QString());
            got += !mail ? "-" : m.hasMatch() ? "T" + m.captured(1) : "T";
        } else {
            schedule.attemptFinished(kind == u's', now);
            if (kind == u'f') {
                const auto next = schedule.nextCheck();
                got += "[" + (next ? QString::number(*next / NotificationSchedule::kMinute) : "") +
                       "]";
            }
        }
    }
    QCOMPARE(got, tries);
}

QTEST_APPLESS_MAIN(TestNotificationSchedule)
#include "TestNotificationSchedule.moc"
