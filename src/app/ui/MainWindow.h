#pragma once

#include "Notification.h"
#include "RefreshCycle.h"
#include "RefreshLogic.h"
#include "TrayIcon.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace address {
class AddressSource;
struct AddressSnapshot;
} // namespace address
namespace settings {
class SettingsStore;
class SoundPlayer;
} // namespace settings
namespace tray {
class TrayShell;
}

namespace app {

class CommandRouter;
class HomePageVisitor;

// The main window: shows the host name, the public address and the LAN
// addresses, refreshes them, announces changes, and hides into the tray.
// The windows behind its commands are opened by its CommandRouter.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // What the window reaches the outside world through. Both are adopted
    // (the source by the window's refresh cycle).
    struct Services
    {
        address::AddressSource *source = nullptr;
        tray::TrayShell *trayShell = nullptr;
    };

    explicit MainWindow(Services services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Reads the settings, sets up the tray and starts the first refresh;
    // the window shows itself once that refresh has finished (unless it
    // starts minimised, or the user has shown or hidden it meanwhile).
    void load();

    // Refresh of the three values followed by the change check (timer and
    // start-up). Returns at once; refreshFinished() follows.
    void refreshAddresses();
    // Host name, public addresses and LAN addresses as labelled lines: the
    // body of the notification mail, and the tray tip (which also tells
    // what went wrong with the change command or web hook).
    QString infoText() const;

    // One minute has passed (the refresh timer's tick).
    void countMinute();
    // Runs a command word of either menu; only the key decides.
    void runCommand(const QString &key);
    // The main menu's entry at that position.
    void chooseMenuItem(int index);

    // Re-read after the dialog that edits them closes. (The mail settings
    // are read for each mail, by the refresh cycle.)
    void loadPreferences();

    // The desktop session is ending. Asks the exit question when the
    // question is on and mayAsk() says the session manager lets us; false
    // when the user said No (the session end should be cancelled).
    // Otherwise the window closes as on Exit, without asking again.
    bool endSession(const std::function<bool()> &mayAsk);
    // The system asked the program to end (a signal): no question, the
    // icon goes, the settings are on disk, the window closes.
    void quitWithoutQuestion();

    // Back as a normal window in front ("open" and a double click on the
    // tray icon).
    void openFromTray();

    bool isRefreshing() const;
    // A notification about the addresses shown now (the test mail).
    mail::Notification notification() const;

    CommandRouter *router() const { return m_router; }
    RefreshCycle *refreshCycle() const { return m_cycle; }
    tray::TrayIcon *trayIcon() const { return m_trayIcon; }
    qint16 refreshMinutes() const { return m_refreshMinutes; }
    qint16 minutesElapsed() const { return m_minutesElapsed; }
    QString lastPublicIp() const { return m_cycle->lastPublicIp(); }

signals:
    void refreshFinished();
    // The window has closed for good (after the user confirmed).
    void closed();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    void createTrayIcon();
    void enableRoutedControls();
    void onRefreshStarted(RefreshCycle::Trigger trigger);
    void onRefreshFinished(const address::AddressSnapshot &snapshot, RefreshCycle::Trigger trigger,
                           RefreshCycle::Changes changed);
    void announceChange(RefreshCycle::Changes changed);
    void onActionFinished(ChangeActions::Action action, bool success, const QString &text);
    QString toolTipText() const;
    void showBalloon(const QString &text);
    void showMessages(const QStringList &messages);
    void showAfterFirstRefresh();
    void hideIntoTray();
    bool askExitQuestion();
    void shutDown();

    void refreshNow();
    void setTimedRefresh(bool on);
    void chooseInterval(int index);

    QGroupBox *m_addressGroup = nullptr;
    QLabel *m_iconLabel = nullptr;
    QLineEdit *m_hostNameEdit = nullptr;
    QLineEdit *m_publicIpEdit = nullptr;
    QLineEdit *m_publicIpv6Edit = nullptr;
    QPlainTextEdit *m_lanEdit = nullptr;
    QPushButton *m_macAddressButton = nullptr;
    QCheckBox *m_timedRefreshCheckBox = nullptr;
    QComboBox *m_intervalComboBox = nullptr;
    QTimer *m_refreshTimer = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_browserButton = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QMenu *m_commandMenu = nullptr;

    settings::SettingsStore *m_settings;
    RefreshCycle *m_cycle;
    tray::TrayShell *m_trayShell; // until the tray icon adopts it
    QPointer<tray::TrayIcon> m_trayIcon;
    HomePageVisitor *m_homePage;
    CommandRouter *m_router;
    QPointer<QMessageBox> m_messageBox;
    settings::SoundPlayer *m_sound;

    bool m_firstRefreshDone = false;
    // Set once the user has shown or hidden the window: from then on the
    // end of the first refresh leaves it where the user put it.
    bool m_userPlacedWindow = false;
    bool m_closing = false;
    QString m_homePageUrl;
    // What went wrong the last time the change command ran or the web hook
    // was called, for the tray tip; empty once it works again.
    QString m_commandProblem;
    QString m_webHookProblem;

    // In-memory copies of the settings; they, not the store, drive the
    // window between the moments the settings are read.
    qint16 m_refreshMinutes = 0;
    qint16 m_minutesElapsed = 0;
    qint16 m_startAtLogon = 0;
    qint16 m_startMinimized = 0;
    qint16 m_noBalloons = 0;
    qint16 m_noExitQuestion = 0;
    qint16 m_playSound = 0;
    qint16 m_refreshOnNetworkChange = 1;
    QString m_soundFile;
};

} // namespace app
