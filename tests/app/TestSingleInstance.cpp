#include "SingleInstance.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using app::SingleInstance;

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondHolderIsRefusedUntilReleased();
    void lockOfDeadProcessIsTakenOver();
    void lockOfLiveProcessIsKept();
};

void TestSingleInstance::secondHolderIsRefusedUntilReleased()
{
    QTemporaryDir dir;
    {
        SingleInstance a(dir.filePath("q.lock"));
        SingleInstance b(dir.filePath("q.lock"));
        QVERIFY(a.tryLock());
        QVERIFY(!b.tryLock());
    }
    SingleInstance c(dir.filePath("q.lock"));
    QVERIFY(c.tryLock());
}

// A lock file written by a process that no longer exists, as a crash or a
// power cut leaves it.
void TestSingleInstance::lockOfDeadProcessIsTakenOver()
{
#ifdef Q_OS_WIN
    QSKIP("Under Wine, Qt does not take over the lock of a finished child; unexplained");
#endif
    QTemporaryDir dir;
    // This test program itself, asked only for its list of tests, as a
    // process that exists on every platform and ends at once.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-functions")});
    QVERIFY(child.waitForStarted());
    const qint64 deadPid = child.processId();
    QVERIFY(child.waitForFinished());

    QFile f(dir.filePath("q.lock"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::number(deadPid) + "\nquorvel\n" + QSysInfo::machineHostName().toUtf8() +
            "\n");
    f.close();

    SingleInstance next(dir.filePath("q.lock"));
    QVERIFY(next.tryLock());
}

void TestSingleInstance::lockOfLiveProcessIsKept()
{
    // Our own, very much alive, process holds it: even an old lock file
    // must not be taken away from a running instance.
#ifdef Q_OS_WIN
    QSKIP("Windows keeps a held lock file shut to everyone else: it cannot be aged");
#endif
    QTemporaryDir dir;
    SingleInstance a(dir.filePath("q.lock"));
    QVERIFY(a.tryLock());
    QFile f(dir.filePath("q.lock"));
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(
        f.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    f.close();
    SingleInstance b(dir.filePath("q.lock"));
    QVERIFY(!b.tryLock());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
