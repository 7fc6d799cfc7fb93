#pragma once

#include "RefreshLogic.h"
#include "frmSysTray.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

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
}
namespace tray {
class TrayShell;
}

namespace app {

class HomePageVisitor;

// The main window: shows the host name, the public address and the LAN
// addresses, refreshes them, announces changes, and hides into the tray.
class frmQuorvel : public QMainWindow
{
    Q_OBJECT
public:
    // What the window reaches the outside world through. Both are adopted
    // (the window deletes them).
    struct Services
    {
        address::AddressSource *source = nullptr;
        tray::TrayShell *trayShell = nullptr;
    };

    explicit frmQuorvel(Services services, QWidget *parent = nullptr);
    ~frmQuorvel() override;

    // Reads the settings, sets up the tray and starts the first refresh;
    // the window shows itself once that refresh has finished (unless it
    // starts minimised).
    void Form_Load();

    // Refresh of the three values followed by the change check (timer and
    // start-up). Returns at once; refreshFinished() follows.
    void RefreshIP();
    QString GetInfoText() const;
    void SendNotifyEMail();

    // One minute has passed (the timer's tick).
    void tmrRefreshIP_Timer();
    // The command dispatcher of both menus.
    void m_frmSysTray_MenuClick(long lIndex, const QString &sKey);
    void mnuMenuItem_Click(int index);

    bool isRefreshing() const;
    bool hasCommand(const QString &sKey) const;
    tray::frmSysTray *sysTray() const { return m_frmSysTray; }
    qint16 refreshMinutes() const { return iRefreshMinutes; }
    qint16 minutesElapsed() const { return iMinutesElapsed; }
    QString lastIPInternet() const { return m_tracker.last(); }

signals:
    void refreshFinished();
    // The window has closed for good (after the user confirmed).
    void closed();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class RefreshKind
    {
        Timer, // start-up and timer: no "please wait"/"finish" balloons
        Button
    };

    void buildControls();
    void buildMenu();
    void startRefresh(RefreshKind kind);
    void onRefreshFinished(const address::AddressSnapshot &snapshot);
    void CheckIPChanged();
    void announceChange();
    void showBalloon(const QString &text);
    void showMessages(const QStringList &messages);
    void LoadEMailSettings();
    void LoadPreferences();
    void showFirstTime();
    void openMainWindow();

    void cmdRefresh_Click();
    void chkRefreshIP_Click(bool checked);
    void cmbRefreshIPInterval_Click(int index);

    // Controls, named as users and tests know them.
    QGroupBox *Frame1 = nullptr;
    QLabel *Image1 = nullptr;
    QLineEdit *txtHostName = nullptr;
    QLineEdit *txtIPInternet = nullptr;
    QPlainTextEdit *txtLAN = nullptr;
    QPushButton *cmdMACAddress = nullptr;
    QCheckBox *chkRefreshIP = nullptr;
    QComboBox *cmbRefreshIPInterval = nullptr;
    QTimer *tmrRefreshIP = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdBrowser = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QMenu *mnuMenu = nullptr;

    settings::SettingsStore *m_settings;
    address::AddressSource *m_source;
    tray::TrayShell *m_trayShell; // until the tray component adopts it
    QPointer<tray::frmSysTray> m_frmSysTray;
    HomePageVisitor *m_homePage;
    QPointer<QMessageBox> m_messageBox;

    IpChangeTracker m_tracker;
    RefreshKind m_runningKind = RefreshKind::Timer;
    bool m_timerRefreshPending = false;
    bool m_firstRefreshDone = false;
    QString m_ipServiceHost;
    QString m_homePageUrl;

    qint16 iRefreshMinutes = 0;
    qint16 iMinutesElapsed = 0;
    qint16 iSendMail = 0;
    QString sSMTPServer, sUserName, sPassword, sFromEMail, sToEMail;
    qint16 iStartWithWindows = 0;
    qint16 iStartMinimized = 0;
    qint16 iDontShowBalloon = 0;
    qint16 iDontAskConfirmation = 0;
    qint16 iPlaySound = 0;
};

} // namespace app
