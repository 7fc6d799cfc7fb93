#include "frmQuorvel.h"

#include "AddressSource.h"
#include "AppIcon.h"
#include "HomePageVisitor.h"
#include "HostAddresses.h"
#include "MenuCommands.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TrayShell.h"
#include "frmSysTray.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace app {

namespace keys = settings::keys;

namespace {

// Balloons of the refresh cycle: information icon, half a minute.
constexpr int kBalloonIcon = 1;
constexpr int kBalloonTimeOutMs = 30000;
constexpr int kMinuteMs = 60000;

QString number(int v)
{
    return QString::number(v);
}

} // namespace

frmQuorvel::frmQuorvel(Services services, QWidget *parent)
    : QMainWindow(parent), m_settings(new settings::SettingsStore), m_source(services.source),
      m_trayShell(services.trayShell), m_homePage(new HomePageVisitor(this))
{
    Q_ASSERT(m_source && m_trayShell);
    m_source->setParent(this);
    setObjectName(QStringLiteral("frmQuorvel"));
    setWindowTitle(QStringLiteral("Quorvel"));
    buildControls();
    buildMenu();
    connect(m_source, &address::AddressSource::finished, this, &frmQuorvel::onRefreshFinished);
}

frmQuorvel::~frmQuorvel()
{
    delete m_frmSysTray;
    // Never adopted when the window is destroyed before it was loaded.
    delete m_trayShell;
    delete m_settings;
}

void frmQuorvel::buildControls()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);

    Frame1 = new QGroupBox(QStringLiteral("IP Address"), central);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(Frame1);

    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(applicationIcon().pixmap(32, 32));
    Image1->setFixedSize(32, 32);
    grid->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);

    auto makeLabel = [&](const char *name, const QString &text) {
        auto *l = new QLabel(text, Frame1);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto *Label1 = makeLabel("Label1", QStringLiteral("Host Name:"));
    auto *Label2 = makeLabel("Label2", QStringLiteral("IP Internet:"));
    auto *Label3 = makeLabel("Label3", QStringLiteral("LAN IP Address:"));

    txtHostName = new QLineEdit(Frame1);
    txtHostName->setObjectName(QStringLiteral("txtHostName"));
    txtIPInternet = new QLineEdit(Frame1);
    txtIPInternet->setObjectName(QStringLiteral("txtIPInternet"));
    // The values come from the machine and the network; typing into them
    // would only be overwritten, but copying them is what users want.
    for (QLineEdit *e : {txtHostName, txtIPInternet}) {
        e->setReadOnly(true);
        e->setMinimumWidth(150);
        e->installEventFilter(this);
    }
    txtLAN = new QPlainTextEdit(Frame1);
    txtLAN->setObjectName(QStringLiteral("txtLAN"));
    txtLAN->setReadOnly(true);
    txtLAN->setTabChangesFocus(true);
    txtLAN->setFixedHeight(txtLAN->fontMetrics().lineSpacing() * 3 + 12);
    Label1->setBuddy(txtHostName);
    Label2->setBuddy(txtIPInternet);
    Label3->setBuddy(txtLAN);

    grid->addWidget(Label1, 0, 1);
    grid->addWidget(txtHostName, 0, 2);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(txtIPInternet, 1, 2);
    grid->addWidget(Label3, 2, 1, 1, 2);
    grid->addWidget(txtLAN, 3, 1, 1, 2);

    auto *Picture1 = new QWidget(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto *panel = new QHBoxLayout(Picture1);
    panel->setContentsMargins(0, 0, 0, 0);
    cmdMACAddress = new QPushButton(QStringLiteral("MAC Address..."), Picture1);
    cmdMACAddress->setObjectName(QStringLiteral("cmdMACAddress"));
    panel->addStretch();
    panel->addWidget(cmdMACAddress);
    grid->addWidget(Picture1, 4, 1, 1, 2);

    auto *timerRow = new QHBoxLayout;
    chkRefreshIP = new QCheckBox(QStringLiteral("Timer refresh IP Address every"), Frame1);
    chkRefreshIP->setObjectName(QStringLiteral("chkRefreshIP"));
    cmbRefreshIPInterval = new QComboBox(Frame1);
    cmbRefreshIPInterval->setObjectName(QStringLiteral("cmbRefreshIPInterval"));
    cmbRefreshIPInterval->addItems(intervalEntries());
    // Like the list it mirrors, nothing is chosen until the settings say so.
    cmbRefreshIPInterval->setCurrentIndex(-1);
    cmbRefreshIPInterval->setAccessibleName(QStringLiteral("Refresh interval"));
    timerRow->addWidget(chkRefreshIP);
    timerRow->addWidget(cmbRefreshIPInterval);
    timerRow->addStretch();
    grid->addLayout(timerRow, 5, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    outer->addWidget(Frame1);

    auto *buttons = new QHBoxLayout;
    cmdOK = new QPushButton(QStringLiteral("OK"), central);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdBrowser = new QPushButton(QStringLiteral("Anonymous Surfing..."), central);
    cmdBrowser->setObjectName(QStringLiteral("cmdBrowser"));
    cmdRefresh = new QPushButton(QStringLiteral("Refresh IP"), central);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    buttons->addWidget(cmdOK);
    buttons->addStretch();
    buttons->addWidget(cmdBrowser);
    buttons->addStretch();
    buttons->addWidget(cmdRefresh);
    outer->addLayout(buttons);
    setCentralWidget(central);
    setWindowIcon(applicationIcon());
    // Enter hides the window again, the way its one default button should.
    cmdOK->setDefault(true);
    cmdOK->setFocus();

    tmrRefreshIP = new QTimer(this);
    tmrRefreshIP->setObjectName(QStringLiteral("tmrRefreshIP"));
    tmrRefreshIP->setInterval(kMinuteMs);

    connect(tmrRefreshIP, &QTimer::timeout, this, &frmQuorvel::tmrRefreshIP_Timer);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmQuorvel::cmdRefresh_Click);
    connect(cmdOK, &QPushButton::clicked, this, [this] { setWindowState(Qt::WindowMinimized); });
    connect(cmdBrowser, &QPushButton::clicked, this,
            [this] { m_frmSysTray_MenuClick(-1, cmd::Browser); });
    connect(chkRefreshIP, &QCheckBox::toggled, this, &frmQuorvel::chkRefreshIP_Click);
    connect(cmbRefreshIPInterval, &QComboBox::currentIndexChanged, this,
            &frmQuorvel::cmbRefreshIPInterval_Click);

    // The adapter and browser windows open from these buttons once they
    // exist; until then the buttons are greyed out rather than dead.
    cmdMACAddress->setEnabled(false);
    cmdBrowser->setEnabled(hasCommand(cmd::Browser));
}

void frmQuorvel::buildMenu()
{
    mnuMenu = menuBar()->addMenu(QStringLiteral("&Menu"));
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    for (int i = 0; i < int(kMainMenu.size()); ++i) {
        const MenuEntry &e = kMainMenu[size_t(i)];
        QAction *a = e.caption == kSeparator ? mnuMenu->addSeparator()
                                             : mnuMenu->addAction(QString(e.caption));
        a->setObjectName(QStringLiteral("mnuMenuItem"));
        if (!a->isSeparator())
            a->setEnabled(hasCommand(e.key));
        connect(a, &QAction::triggered, this, [this, i] { mnuMenuItem_Click(i); });
    }
}

bool frmQuorvel::hasCommand(const QString &sKey) const
{
    // The commands whose windows exist; the others stay greyed out in both
    // menus until their windows arrive.
    return sKey == cmd::Open || sKey == cmd::Web || sKey == cmd::Exit;
}

void frmQuorvel::Form_Load()
{
    // The timer check box and the interval list run their own handlers as
    // they are set, which also writes their settings back.
    qint16 refreshIP = 0;
    m_settings->ReadNumberInto(refreshIP, keys::RefreshIP);
    if (refreshIP == 1)
        chkRefreshIP->setChecked(true);

    if (const auto interval = m_settings->GetNumber(keys::RefreshIPInterval);
        interval && *interval >= -1 && *interval < cmbRefreshIPInterval->count())
        cmbRefreshIPInterval->setCurrentIndex(*interval);

    m_settings->ReadNumberInto(iRefreshMinutes, keys::RefreshIPIntervalMin);
    iMinutesElapsed = 0;

    m_frmSysTray =
        new tray::frmSysTray(std::exchange(m_trayShell, nullptr), applicationIcon(), this);
    connect(m_frmSysTray, &tray::frmSysTray::MenuClick, this, &frmQuorvel::m_frmSysTray_MenuClick);
    connect(m_frmSysTray, &tray::frmSysTray::SysTrayDoubleClick, this, &frmQuorvel::openMainWindow);
    connect(m_frmSysTray, &tray::frmSysTray::SysTrayMouseDown, this, [this](int eButton) {
        if (eButton == 2)
            m_frmSysTray->ShowMenu();
    });
    connect(m_frmSysTray, &tray::frmSysTray::SysTrayMouseMove, this,
            [this] { m_frmSysTray->setToolTip(GetInfoText()); });

    for (size_t i = 0; i < kTrayMenu.size(); ++i) {
        const long index = m_frmSysTray->AddMenuItem(QString(kTrayMenu[i].caption),
                                                     QString(kTrayMenu[i].key), i == 0);
        if (kTrayMenu[i].caption != kSeparator && !hasCommand(kTrayMenu[i].key))
            m_frmSysTray->EnableMenuItem(index, false);
    }
    m_frmSysTray->setToolTip(GetInfoText());
    // The picture beside the addresses, in every size the tray may want.
    m_frmSysTray->setIconHandle(windowIcon());

    LoadEMailSettings();
    LoadPreferences();

    if (iStartMinimized == 1)
        setWindowState(Qt::WindowMinimized);

    m_ipServiceHost = m_settings->IPServiceHost();
    m_homePageUrl = m_settings->HomePage();
    RefreshIP();
}

void frmQuorvel::LoadEMailSettings()
{
    m_settings->ReadNumberInto(iSendMail, keys::SendMeEMail);
    m_settings->ReadTextInto(sSMTPServer, keys::SMTPServer);
    m_settings->ReadTextInto(sUserName, keys::Username);
    m_settings->ReadTextInto(sPassword, keys::Password);
    m_settings->ReadTextInto(sFromEMail, keys::FromEMail);
    m_settings->ReadTextInto(sToEMail, keys::ToEMail);
}

void frmQuorvel::LoadPreferences()
{
    m_settings->ReadNumberInto(iStartWithWindows, keys::StartWithWindows);
    m_settings->ReadNumberInto(iStartMinimized, keys::StartMinimized);
    m_settings->ReadNumberInto(iDontShowBalloon, keys::DontShowBalloon);
    m_settings->ReadNumberInto(iDontAskConfirmation, keys::DontAskConfirmation);
    m_settings->ReadNumberInto(iPlaySound, keys::PlaySound);
}

void frmQuorvel::RefreshIP()
{
    startRefresh(RefreshKind::Timer);
}

bool frmQuorvel::isRefreshing() const
{
    return m_source->isRunning();
}

void frmQuorvel::startRefresh(RefreshKind kind)
{
    if (m_source->isRunning()) {
        // One refresh at a time; a timed one that falls due meanwhile runs
        // right after.
        if (kind == RefreshKind::Timer)
            m_timerRefreshPending = true;
        return;
    }
    m_runningKind = kind;
    if (kind == RefreshKind::Button)
        showBalloon(QStringLiteral("IP Refresh, please wait..."));
    cmdRefresh->setEnabled(false);
    m_source->start(m_ipServiceHost);
}

void frmQuorvel::onRefreshFinished(const address::AddressSnapshot &snapshot)
{
    // A refresh that outlives the window's closing has no one to tell.
    if (!m_frmSysTray)
        return;
    txtHostName->setText(snapshot.hostName);
    txtIPInternet->setText(snapshot.publicIp);
    // The box shows one address per line; GetInfoText() restores the CR LF.
    QString lan = snapshot.lan;
    txtLAN->setPlainText(lan.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    showMessages(snapshot.messages);

    if (m_runningKind == RefreshKind::Button) {
        m_frmSysTray->setToolTip(GetInfoText());
        if (m_tracker.differs(txtIPInternet->text()))
            CheckIPChanged();
        else
            showBalloon(QStringLiteral("IP Refresh finish."));
    } else {
        CheckIPChanged();
        // Not every desktop reports the mouse over the tray icon, so the tip
        // is kept current here as well.
        m_frmSysTray->setToolTip(GetInfoText());
    }
    cmdRefresh->setEnabled(true);

    if (!m_firstRefreshDone) {
        m_firstRefreshDone = true;
        showFirstTime();
    }
    emit refreshFinished();

    if (std::exchange(m_timerRefreshPending, false))
        startRefresh(RefreshKind::Timer);
}

void frmQuorvel::showFirstTime()
{
    if (iStartMinimized != 1)
        show();
    else if (!m_frmSysTray->isAvailable())
        // With no tray to come back from, the task bar has to hold it.
        showMinimized();
}

void frmQuorvel::CheckIPChanged()
{
    if (!m_tracker.accept(txtIPInternet->text()))
        return;
    announceChange();
}

void frmQuorvel::announceChange()
{
    showBalloon(QStringLiteral("IP Internet changed. ") + m_tracker.last());
    // The change sound plays here once sound support exists.
    SendNotifyEMail();
    m_homePage->visit(QUrl(m_homePageUrl));
}

void frmQuorvel::SendNotifyEMail()
{
    if (iSendMail != 1)
        return;
    // The mail component is filled and started here once it exists.
}

QString frmQuorvel::GetInfoText() const
{
    QString lan = txtLAN->toPlainText();
    lan.replace(u'\n', QStringLiteral("\r\n"));
    return address::composeInfoText(txtHostName->text(), txtIPInternet->text(), lan);
}

void frmQuorvel::showBalloon(const QString &text)
{
    if (iDontShowBalloon == 0 && m_frmSysTray)
        m_frmSysTray->ShowBalloonTip(text, windowTitle(), kBalloonIcon, kBalloonTimeOutMs);
}

void frmQuorvel::showMessages(const QStringList &messages)
{
    for (const QString &text : messages) {
        // A fault that lasts would otherwise stack one box per timed refresh.
        if (m_messageBox && m_messageBox->text() == text)
            continue;
        auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Quorvel"), text,
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        m_messageBox = box;
    }
}

void frmQuorvel::cmdRefresh_Click()
{
    startRefresh(RefreshKind::Button);
}

void frmQuorvel::tmrRefreshIP_Timer()
{
    if (tickMinute(iMinutesElapsed, iRefreshMinutes))
        RefreshIP();
}

void frmQuorvel::chkRefreshIP_Click(bool checked)
{
    if (checked)
        tmrRefreshIP->start();
    else
        tmrRefreshIP->stop();
    iMinutesElapsed = 0;
    m_settings->SaveSetting(keys::RefreshIP, number(checked ? 1 : 0));
}

void frmQuorvel::cmbRefreshIPInterval_Click(int index)
{
    if (index < 0)
        return;
    // The minute counter runs on, so a shorter interval takes effect at the
    // next tick.
    iRefreshMinutes = minutesForIntervalEntry(cmbRefreshIPInterval->itemText(index));
    m_settings->SaveSetting(keys::RefreshIPInterval, number(index));
    m_settings->SaveSetting(keys::RefreshIPIntervalMin, number(iRefreshMinutes));
}

void frmQuorvel::mnuMenuItem_Click(int index)
{
    if (index < 0 || index >= int(kMainMenu.size()) || kMainMenu[size_t(index)].key.isEmpty())
        return;
    m_frmSysTray_MenuClick(index, kMainMenu[size_t(index)].key);
}

void frmQuorvel::m_frmSysTray_MenuClick(long lIndex, const QString &sKey)
{
    Q_UNUSED(lIndex); // only the key decides
    if (sKey == cmd::Open)
        openMainWindow();
    else if (sKey == cmd::Web)
        QDesktopServices::openUrl(QUrl(m_homePageUrl));
    else if (sKey == cmd::Exit)
        close();
    // The other commands open their windows here as those windows arrive.
}

void frmQuorvel::openMainWindow()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void frmQuorvel::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Into the tray, but only where there is one to come back from.
    if (m_frmSysTray && m_frmSysTray->isAvailable())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

void frmQuorvel::closeEvent(QCloseEvent *event)
{
    if (iDontAskConfirmation == 0) {
        const auto answer =
            QMessageBox::question(this, windowTitle(), QStringLiteral("Do you want really exit?"),
                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    // Unloading the tray component takes the icon out of the tray. The
    // component goes later: this may run inside a click on its own menu.
    if (m_frmSysTray) {
        m_frmSysTray->Unload();
        m_frmSysTray->deleteLater();
        m_frmSysTray = nullptr;
    }
    tmrRefreshIP->stop();
    event->accept();
    emit closed();
}

bool frmQuorvel::eventFilter(QObject *watched, QEvent *event)
{
    // One click selects a whole address, ready to copy.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == txtHostName || watched == txtIPInternet)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        if (!edit->text().isEmpty())
            edit->selectAll();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace app
