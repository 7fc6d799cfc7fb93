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

// The tray icon's rules as the desktop sees them, through a recording shell.
class TestTrayIcon : public QObject
{
    Q_OBJECT
private slots:
    void iconLifetime();
    void menu();
    void balloonsAndIcon();
    void clicksBecomeSignals();
};

void TestTrayIcon::iconLifetime()
{
    QStringList journal;
    auto *shell = new RecordingTrayShell;
    shell->journal = &journal;
    QPointer<RecordingTrayShell> alive(shell);
    {
        TrayIcon t(shell, colourIcon(Qt::red));
        QCOMPARE(shell->tip, QStringLiteral("Software that show your internet IP address."));
        QCOMPARE(shell->menu, t.menu());
        // Unloading early removes the icon once; the end deletes nothing more.
        t.unload();
        QVERIFY(!shell->iconShown);
    }
    QCOMPARE(journal, (QStringList{"add", "delete"}));
    QVERIFY(alive.isNull());
}

void TestTrayIcon::menu()
{
    auto *shell = new RecordingTrayShell;
    TrayIcon t(shell, QIcon());
    QVERIFY(!t.menu()->actions()[0]->isVisible()); // the blank entry 0
    t.addMenuItem("&Open", "open", true);
    t.addMenuItem("-");
    t.addMenuItem("&Ping", "ping");
    t.addMenuItem("&Exit", "exit");
    QList<QAction *> a = t.menu()->actions();
    QVERIFY(a[0]->isVisible());
    QVERIFY(a[1]->isSeparator() && a[1]->text().isEmpty()); // drawn as a line only
    QCOMPARE(t.menu()->defaultAction(), a[0]);              // shown in bold
    QCOMPARE(a.size(), 4);
    QCOMPARE(a[3]->text(), QStringLiteral("&Exit"));
    QSignalSpy chosen(&t, &TrayIcon::menuItemChosen);
    a[2]->trigger();
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen[0][0].value<long>(), 2L);
    QCOMPARE(chosen[0][1].toString(), QStringLiteral("ping"));
    t.setMenuItemEnabled(3, false);
    QVERIFY(!t.menu()->actions()[3]->isEnabled());

    t.removeMenuItem(2); // "&Exit" moves to index 2, keeping the place's state
    a = t.menu()->actions();
    QCOMPARE(a.size(), 3);
    QVERIFY(a[2]->isEnabled());
    t.setMenuItemEnabled(1, false);
    t.setDefaultMenuIndex(2);
    a = t.menu()->actions();
    QVERIFY(!a[1]->isEnabled());
    QCOMPARE(t.menu()->defaultAction(), a[2]);
    a[2]->trigger();
    QCOMPARE(chosen.count(), 2);
    QCOMPARE(chosen[1][0].value<long>(), 2L);
    QCOMPARE(chosen[1][1].toString(), QStringLiteral("exit"));
    t.showMenu();
    QCOMPARE(shell->calls.last(), QStringLiteral("popup"));
}

void TestTrayIcon::balloonsAndIcon()
{
    auto *shell = new RecordingTrayShell;
    const QIcon red = colourIcon(Qt::red);
    TrayIcon t(shell, red);
    shell->supportsBalloons = false;
    t.showBalloon("hidden", "Quorvel", 1, 30000);
    QVERIFY(shell->balloons.isEmpty());

    shell->supportsBalloons = true;
    t.showBalloon(QString(300, u'm'), QString(80, u't'), 1, 30000);
    QCOMPARE(shell->balloons.size(), 1);
    const auto &b = shell->balloons[0];
    QVERIFY(b.text == QString(255, u'm') && b.title == QString(63, u't'));
    QVERIFY(b.icon == 1 && b.timeoutMs == 30000);

    // The icon shown already is not sent again.
    t.setIcon(red);
    t.setIcon(colourIcon(Qt::blue));
    t.setIcon(t.icon());
    QCOMPARE(shell->calls.count("icon"), 1);
}

void TestTrayIcon::clicksBecomeSignals()
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
    QCOMPARE(down[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(down[1][0].value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(dbl[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(balloon.count(), 1);
}

QTEST_MAIN(TestTrayIcon)
#include "TestTrayIcon.moc"
