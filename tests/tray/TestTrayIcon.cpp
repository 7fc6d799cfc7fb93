#include "RecordingTrayShell.h"
#include "TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QtTest>

using tray::TrayIcon;

namespace {
QIcon colourIcon(Qt::GlobalColor c)
{
    QPixmap p(16, 16);
    p.fill(c);
    return QIcon(p);
}
} // namespace

class TestTrayIcon : public QObject
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

void TestTrayIcon::addsIconWithDescriptionAndDeletesIt()
{
    auto *shell = new RecordingTrayShell;
    QStringList journal;
    shell->journal = &journal;
    QPointer<RecordingTrayShell> alive(shell);
    {
        TrayIcon t(shell, colourIcon(Qt::red));
        QVERIFY(shell->iconShown);
        QCOMPARE(shell->tip, QStringLiteral("Software that show your internet IP address."));
        QCOMPARE(t.toolTip(), shell->tip);
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
        TrayIcon t(shell, QIcon());
        t.unload();
        QVERIFY(!shell->iconShown);
    }
    QCOMPARE(journal, (QStringList{"add", "delete"}));
}

void TestTrayIcon::menuShowsEntriesWithBoldDefault()
{
    TrayIcon t(new RecordingTrayShell, QIcon());
    QVERIFY(t.menu()->actions().size() == 1 && !t.menu()->actions()[0]->isVisible());
    t.addMenuItem("&Open Quorvel", "open", true);
    t.addMenuItem("-");
    t.addMenuItem("&Exit", "exit");
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
    t.setMenuItemEnabled(2, false);
    QVERIFY(!t.menu()->actions()[2]->isEnabled());
}

void TestTrayIcon::menuClickReportsIndexAndKey()
{
    TrayIcon t(new RecordingTrayShell, QIcon());
    t.addMenuItem("&Open", "open", true);
    t.addMenuItem("-");
    t.addMenuItem("&Ping", "ping");
    t.addMenuItem("&Exit", "exit");
    t.removeMenuItem(2); // "&Exit" moves to index 2
    QSignalSpy spy(&t, &TrayIcon::menuItemChosen);
    t.menu()->actions()[2]->trigger();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy[0][0].value<long>(), 2L);
    QCOMPARE(spy[0][1].toString(), QStringLiteral("exit"));
}

void TestTrayIcon::balloonsOnlyWhereSupported()
{
    auto *shell = new RecordingTrayShell;
    TrayIcon t(shell, QIcon());
    shell->supportsBalloons = false;
    t.showBalloon("hidden", "Quorvel", 1, 30000);
    QVERIFY(shell->balloons.isEmpty());
    QVERIFY(t.balloonText().isEmpty());

    shell->supportsBalloons = true;
    t.showBalloon(QString(300, u'm'), QString(80, u't'), 1, 30000);
    QCOMPARE(shell->balloons.size(), 1);
    QCOMPARE(shell->balloons[0].text, QString(255, u'm'));
    QCOMPARE(shell->balloons[0].title, QString(63, u't'));
    QCOMPARE(shell->balloons[0].icon, 1);
    QCOMPARE(shell->balloons[0].timeoutMs, 30000);
}

void TestTrayIcon::sameIconSendsNothing()
{
    auto *shell = new RecordingTrayShell;
    const QIcon red = colourIcon(Qt::red);
    TrayIcon t(shell, red);
    t.setIcon(red);
    QCOMPARE(shell->calls.count("icon"), 0);
    const QIcon blue = colourIcon(Qt::blue);
    t.setIcon(blue);
    QCOMPARE(shell->calls.count("icon"), 1);
    QCOMPARE(t.icon().cacheKey(), blue.cacheKey());
    t.setIcon(blue);
    QCOMPARE(shell->calls.count("icon"), 1);
}

void TestTrayIcon::clicksBecomeEvents()
{
    // Which code raises which event is TestTrayTexts' table; here, that the
    // desktop's codes reach the owner as signals with their button.
    auto *shell = new RecordingTrayShell;
    TrayIcon t(shell, QIcon());
    QSignalSpy down(&t, &TrayIcon::buttonDown);
    QSignalSpy dbl(&t, &TrayIcon::doubleClicked);
    QSignalSpy balloon(&t, &TrayIcon::balloonClicked);
    for (int code : {0x201, 0x202, 0x204, 0x206, 0x405})
        shell->click(code);
    QCOMPARE(down.count(), 2);
    QCOMPARE(down[0][0].toInt(), 1);
    QCOMPARE(down[1][0].toInt(), 2);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(dbl[0][0].toInt(), 2);
    QCOMPARE(balloon.count(), 1);
}

void TestTrayIcon::showMenuAsksTheDesktop()
{
    auto *shell = new RecordingTrayShell;
    TrayIcon t(shell, QIcon());
    t.showMenu();
    QCOMPARE(shell->calls.last(), QStringLiteral("popup"));
}

QTEST_MAIN(TestTrayIcon)
#include "TestTrayIcon.moc"
