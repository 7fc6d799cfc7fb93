#include "RecordingTrayShell.h"
#include "frmSysTray.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QtTest>

using tray::frmSysTray;

namespace {
QIcon colourIcon(Qt::GlobalColor c)
{
    QPixmap p(16, 16);
    p.fill(c);
    return QIcon(p);
}
} // namespace

class TestFrmSysTray : public QObject
{
    Q_OBJECT
private slots:
    void addsIconWithDescriptionAndDeletesIt();
    void menuShowsEntriesWithBoldDefault();
    void menuClickReportsIndexAndKey();
    void balloonsOnlyWhereSupported();
    void sameIconSendsNothing();
    void clicksBecomeEvents();
    void showMenuAsksTheDesktop();
};

void TestFrmSysTray::addsIconWithDescriptionAndDeletesIt()
{
    auto *shell = new RecordingTrayShell;
    QStringList journal;
    shell->journal = &journal;
    QPointer<RecordingTrayShell> alive(shell);
    {
        frmSysTray t(shell, colourIcon(Qt::red));
        QVERIFY(shell->iconShown);
        QCOMPARE(shell->tip, QStringLiteral("Software that show your internet IP address."));
        QCOMPARE(t.ToolTip(), shell->tip);
        QCOMPARE(journal, QStringList{"add"});
        QCOMPARE(shell->menu, t.menu());
    }
    QCOMPARE(journal, (QStringList{"add", "delete"}));
    QVERIFY(alive.isNull());

    // Unloading early removes the icon once; the end deletes nothing more.
    journal.clear();
    shell = new RecordingTrayShell;
    shell->journal = &journal;
    {
        frmSysTray t(shell, QIcon());
        t.Unload();
        QVERIFY(!shell->iconShown);
    }
    QCOMPARE(journal, (QStringList{"add", "delete"}));
}

void TestFrmSysTray::menuShowsEntriesWithBoldDefault()
{
    frmSysTray t(new RecordingTrayShell, QIcon());
    QVERIFY(t.menu()->actions().size() == 1 && !t.menu()->actions()[0]->isVisible());
    t.AddMenuItem("&Open Quorvel", "open", true);
    t.AddMenuItem("-");
    t.AddMenuItem("&Exit", "exit");
    const QList<QAction *> a = t.menu()->actions();
    QCOMPARE(a.size(), 3);
    QCOMPARE(a[0]->text(), QStringLiteral("&Open Quorvel"));
    QVERIFY(a[0]->isVisible());
    QVERIFY(a[1]->isSeparator());
    QCOMPARE(a[1]->text(), QString()); // drawn as a line only
    QCOMPARE(a[2]->text(), QStringLiteral("&Exit"));
    QCOMPARE(t.menu()->defaultAction(), a[0]);

    t.setDefaultMenuIndex(2);
    QCOMPARE(t.menu()->defaultAction(), t.menu()->actions()[2]);
    t.EnableMenuItem(2, false);
    QVERIFY(!t.menu()->actions()[2]->isEnabled());
}

void TestFrmSysTray::menuClickReportsIndexAndKey()
{
    frmSysTray t(new RecordingTrayShell, QIcon());
    t.AddMenuItem("&Open", "open", true);
    t.AddMenuItem("-");
    t.AddMenuItem("&Ping", "ping");
    t.AddMenuItem("&Exit", "exit");
    t.RemoveMenuItem(2); // "&Exit" moves to index 2
    QSignalSpy spy(&t, &frmSysTray::MenuClick);
    t.menu()->actions()[2]->trigger();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy[0][0].value<long>(), 2L);
    QCOMPARE(spy[0][1].toString(), QStringLiteral("exit"));
}

void TestFrmSysTray::balloonsOnlyWhereSupported()
{
    auto *shell = new RecordingTrayShell;
    frmSysTray t(shell, QIcon());
    shell->supportsBalloons = false;
    t.ShowBalloonTip("hidden", "Quorvel", 1, 30000);
    QVERIFY(shell->balloons.isEmpty());
    QVERIFY(t.balloonText().isEmpty());

    shell->supportsBalloons = true;
    t.ShowBalloonTip(QString(300, u'm'), QString(80, u't'), 1, 30000);
    QCOMPARE(shell->balloons.size(), 1);
    QCOMPARE(shell->balloons[0].text, QString(255, u'm'));
    QCOMPARE(shell->balloons[0].title, QString(63, u't'));
    QCOMPARE(shell->balloons[0].icon, 1);
    QCOMPARE(shell->balloons[0].timeoutMs, 30000);
}

void TestFrmSysTray::sameIconSendsNothing()
{
    auto *shell = new RecordingTrayShell;
    const QIcon red = colourIcon(Qt::red);
    frmSysTray t(shell, red);
    t.setIconHandle(red);
    QCOMPARE(shell->calls.count("icon"), 0);
    const QIcon blue = colourIcon(Qt::blue);
    t.setIconHandle(blue);
    QCOMPARE(shell->calls.count("icon"), 1);
    QCOMPARE(t.IconHandle().cacheKey(), blue.cacheKey());
    t.setIconHandle(blue);
    QCOMPARE(shell->calls.count("icon"), 1);
}

void TestFrmSysTray::clicksBecomeEvents()
{
    // Which code raises which event is TestTrayTexts' table; here, that the
    // desktop's codes reach the owner as signals with their button.
    auto *shell = new RecordingTrayShell;
    frmSysTray t(shell, QIcon());
    QSignalSpy down(&t, &frmSysTray::SysTrayMouseDown);
    QSignalSpy dbl(&t, &frmSysTray::SysTrayDoubleClick);
    QSignalSpy balloon(&t, &frmSysTray::BalloonClicked);
    for (int code : {0x201, 0x202, 0x204, 0x206, 0x405})
        shell->click(code);
    QCOMPARE(down.count(), 2);
    QCOMPARE(down[0][0].toInt(), 1);
    QCOMPARE(down[1][0].toInt(), 2);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(dbl[0][0].toInt(), 2);
    QCOMPARE(balloon.count(), 1);
}

void TestFrmSysTray::showMenuAsksTheDesktop()
{
    auto *shell = new RecordingTrayShell;
    frmSysTray t(shell, QIcon());
    t.ShowMenu();
    QCOMPARE(shell->calls.last(), QStringLiteral("popup"));
}

QTEST_MAIN(TestFrmSysTray)
#include "TestFrmSysTray.moc"
