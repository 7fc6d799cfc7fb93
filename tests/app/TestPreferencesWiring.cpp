#include "AutoStart.h"
#include "CommandRouter.h"
#include "Commands.h"
#include "FakeAddressSource.h"
#include "MainWindow.h"
#include "RecordingTrayShell.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

// What the main window does with the preferences: at start-up and again
// whenever the preferences dialog closes, whichever button closed it.
class TestPreferencesWiring : public QObject
{
    Q_OBJECT
private slots:
    void appliedAtLoadAndAfterTheDialog()
    {
        TestEnvironment env;
        env.writeSettingsFile("[Settings]\nHome%20Page=http://127.0.0.1:9/\nPlay%20Sound=1\n"
                              "Start%20with%20Windows=1\nIP%20Service%20Host=127.0.0.1:9\n"
                              "File=/nonexistent/missing.wav\n");
        qputenv("PULSE_SERVER", "unix:/nonexistent/quorvel-test"); // no sound device
        auto *source = new FakeAddressSource;
        source->script = {FakeAddressSource::snapshot("203.0.113.7"),
                          FakeAddressSource::snapshot("203.0.113.8")};
        app::MainWindow w({source, new RecordingTrayShell});
        // Shown and left open: the test never answers them.
        const auto messages = [&w] {
            int n = 0;
            for (QMessageBox *box : w.findChildren<QMessageBox *>("soundFileMessage"))
                n += box->isVisible() && box->windowTitle() == "Quorvel" &&
                     box->text().contains(QDir::toNativeSeparators("/nonexistent/missing.wav")) &&
                     box->text().endsWith('.') && !box->text().endsWith("..");
            return n;
        };
        // Windows registers in the Run key instead (TestWindowsSeams).
        const bool desktopEntry = platform::startAtLogonLocation().endsWith(".desktop");
        const auto entry = [] {
            QFile f(platform::startAtLogonLocation());
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        };
        const auto closeDialog = [&w](const char *button, const QString &service) {
            w.runCommand(app::cmd::Preferences);
            QWidget *dialog = w.router()->openWindow(app::cmd::Preferences);
            QVERIFY(dialog && dialog->isModal());
            dialog->findChild<QLineEdit *>("ipServiceEdit")->setText(service);
            QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
            QTRY_VERIFY(!w.router()->openWindow(app::cmd::Preferences));
        };

        QSignalSpy refreshed(&w, &app::MainWindow::refreshFinished);
        w.load();
        // One message, and the start-up goes on to its refresh.
        QCOMPARE(messages(), 1);
        QVERIFY(refreshed.count() == 1 || refreshed.wait(3000));
        QVERIFY(!desktopEntry ||
                entry().contains("\nExec=" + QCoreApplication::applicationFilePath() +
                                 "\nTerminal=false\nHidden=false\n"));
        QVERIFY(w.refreshCycle()->refreshesOnNetworkChange()); // on unless switched off

        // Changed behind the program's back, then Cancel: the entry follows the
        // store, and the sound is loaded (and missed) again.
        settings::SettingsStore().setValue(settings::keys::StartWithWindows, "0");
        settings::SettingsStore().setValue(settings::keys::RefreshOnNetworkChange, "0");
        closeDialog("cancelButton", "127.0.0.1:8");
        QCOMPARE(messages(), 2);
        QVERIFY(!desktopEntry || entry().contains("\nHidden=true\n"));
        QVERIFY(!w.refreshCycle()->refreshesOnNetworkChange());

        // A service chosen with Ok is asked from the next refresh on. That
        // refresh is a change, and its sound (found now) has no device to
        // play on: the program goes on regardless.
        settings::SettingsStore().setValue(settings::keys::File,
                                           QCoreApplication::applicationDirPath() + "/sound.wav");
        closeDialog("okButton", "127.0.0.1:7");
        QCOMPARE(messages(), 2);
        w.refreshAddresses();
        QVERIFY(refreshed.wait(3000));
        QCOMPARE(source->choices.size(), 2);
        QCOMPARE(source->choices[0].host + u' ' + source->choices[1].host,
                 QStringLiteral("127.0.0.1:9 127.0.0.1:7"));
        QCOMPARE(w.lastPublicIp(), "203.0.113.8");
    }
};

QTEST_MAIN(TestPreferencesWiring)
#include "TestPreferencesWiring.moc"
