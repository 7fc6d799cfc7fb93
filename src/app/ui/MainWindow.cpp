#include "MainWindow.h"

#include "AddressSource.h"
#include "AppIcon.h"
#include "AutoStart.h"
#include "CommandRouter.h"
#include "Commands.h"
#include "HomePageVisitor.h"
#include "HostAddresses.h"
#include "NotificationSender.h"
#include "PublicIp.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SoundFileWarning.h"
#include "SoundPlayer.h"
#include "TrayShell.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
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

MainWindow::MainWindow(Services services, QWidget *parent)
    : QMainWindow(parent), m_settings(new settings::SettingsStore),
      m_cycle(new RefreshCycle(services.source, this)), m_trayShell(services.trayShell),
      m_homePage(new HomePageVisitor(this)), m_router(new CommandRouter(this)),
      m_sound(new settings::SoundPlayer(this))
{
    Q_ASSERT(m_trayShell);
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quorvel"));
    installCommands(*m_router, *this);
    buildControls();
    buildMenu();
    enableRoutedControls();
    connect(m_cycle, &RefreshCycle::started, this, &MainWindow::onRefreshStarted);
    connect(m_cycle, &RefreshCycle::finished, this, &MainWindow::onRefreshFinished);
    connect(m_cycle, &RefreshCycle::mailFinished, this,
            [this](bool success, const QString &reason) {
                showBalloon(mail::sendResultText(success, reason));
            });
    connect(m_cycle, &RefreshCycle::actionFinished, this, &MainWindow::onActionFinished);
}

MainWindow::~MainWindow()
{
    delete m_trayIcon;
    // Never adopted when the window is destroyed before it was loaded.
    delete m_trayShell;
    delete m_settings;
}

void MainWindow::buildControls()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);

    m_addressGroup = new QGroupBox(QStringLiteral("IP Address"), central);
    m_addressGroup->setObjectName(QStringLiteral("addressGroup"));
    auto *grid = new QGridLayout(m_addressGroup);

    m_iconLabel = new QLabel(m_addressGroup);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_iconLabel->setPixmap(applicationIcon().pixmap(32, 32));
    m_iconLabel->setFixedSize(32, 32);
    grid->addWidget(m_iconLabel, 0, 0, 2, 1, Qt::AlignTop);

    auto makeLabel = [&](const char *name, const QString &text) {
        auto *l = new QLabel(text, m_addressGroup);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto *hostNameLabel = makeLabel("hostNameLabel", QStringLiteral("Host Name:"));
    auto *publicIpLabel = makeLabel("publicIpLabel", QStringLiteral("IP Internet:"));
    auto *publicIpv6Label = makeLabel("publicIpv6Label", QStringLiteral("IP Internet (IPv6):"));
    auto *lanLabel = makeLabel("lanLabel", QStringLiteral("LAN IP Address:"));

    m_hostNameEdit = new QLineEdit(m_addressGroup);
    m_hostNameEdit->setObjectName(QStringLiteral("hostNameEdit"));
    m_publicIpEdit = new QLineEdit(m_addressGroup);
    m_publicIpEdit->setObjectName(QStringLiteral("publicIpEdit"));
    m_publicIpv6Edit = new QLineEdit(m_addressGroup);
    m_publicIpv6Edit->setObjectName(QStringLiteral("publicIpv6Edit"));
    // The values come from the machine and the network; typing into them
    // would only be overwritten, but copying them is what users want.
    for (QLineEdit *e : {m_hostNameEdit, m_publicIpEdit, m_publicIpv6Edit}) {
        e->setReadOnly(true);
        e->setMinimumWidth(150);
        e->installEventFilter(this);
    }
    m_lanEdit = new QPlainTextEdit(m_addressGroup);
    m_lanEdit->setObjectName(QStringLiteral("lanEdit"));
    m_lanEdit->setReadOnly(true);
    m_lanEdit->setTabChangesFocus(true);
    m_lanEdit->setFixedHeight(m_lanEdit->fontMetrics().lineSpacing() * 3 + 12);
    hostNameLabel->setBuddy(m_hostNameEdit);
    publicIpLabel->setBuddy(m_publicIpEdit);
    publicIpv6Label->setBuddy(m_publicIpv6Edit);
    lanLabel->setBuddy(m_lanEdit);

    grid->addWidget(hostNameLabel, 0, 1);
    grid->addWidget(m_hostNameEdit, 0, 2);
    grid->addWidget(publicIpLabel, 1, 1);
    grid->addWidget(m_publicIpEdit, 1, 2);
    // The IPv6 address right under the IPv4 one, which keeps its place.
    grid->addWidget(publicIpv6Label, 2, 1);
    grid->addWidget(m_publicIpv6Edit, 2, 2);
    grid->addWidget(lanLabel, 3, 1, 1, 2);
    grid->addWidget(m_lanEdit, 4, 1, 1, 2);

    auto *macPanel = new QWidget(m_addressGroup);
    macPanel->setObjectName(QStringLiteral("macPanel"));
    auto *panel = new QHBoxLayout(macPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    m_macAddressButton = new QPushButton(QStringLiteral("MAC Address..."), macPanel);
    m_macAddressButton->setObjectName(QStringLiteral("macAddressButton"));
    panel->addStretch();
    panel->addWidget(m_macAddressButton);
    grid->addWidget(macPanel, 5, 1, 1, 2);

    auto *timerRow = new QHBoxLayout;
    m_timedRefreshCheckBox =
        new QCheckBox(QStringLiteral("Timer refresh IP Address every"), m_addressGroup);
    m_timedRefreshCheckBox->setObjectName(QStringLiteral("timedRefreshCheckBox"));
    m_intervalComboBox = new QComboBox(m_addressGroup);
    m_intervalComboBox->setObjectName(QStringLiteral("intervalComboBox"));
    m_intervalComboBox->addItems(intervalEntries());
    // Like the list it mirrors, nothing is chosen until the settings say so.
    m_intervalComboBox->setCurrentIndex(-1);
    m_intervalComboBox->setAccessibleName(QStringLiteral("Refresh interval"));
    timerRow->addWidget(m_timedRefreshCheckBox);
    timerRow->addWidget(m_intervalComboBox);
    timerRow->addStretch();
    grid->addLayout(timerRow, 6, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    outer->addWidget(m_addressGroup);

    auto *buttons = new QHBoxLayout;
    m_okButton = new QPushButton(QStringLiteral("OK"), central);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_browserButton = new QPushButton(QStringLiteral("Anonymous Surfing..."), central);
    m_browserButton->setObjectName(QStringLiteral("browserButton"));
    m_refreshButton = new QPushButton(QStringLiteral("Refresh IP"), central);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    buttons->addWidget(m_okButton);
    buttons->addStretch();
    buttons->addWidget(m_browserButton);
    buttons->addStretch();
    buttons->addWidget(m_refreshButton);
    outer->addLayout(buttons);
    setCentralWidget(central);
    setWindowIcon(applicationIcon());
    // Enter hides the window again, the way its one default button should.
    m_okButton->setDefault(true);
    m_okButton->setFocus();

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    m_refreshTimer->setInterval(kMinuteMs);

    connect(m_refreshTimer, &QTimer::timeout, this, &MainWindow::countMinute);
    connect(m_refreshButton, &QPushButton::clicked, this, &MainWindow::refreshNow);
    connect(m_okButton, &QPushButton::clicked, this, &MainWindow::hideIntoTray);
    connect(m_browserButton, &QPushButton::clicked, this, [this] { m_router->run(cmd::Browser); });
    connect(m_macAddressButton, &QPushButton::clicked, this,
            [this] { m_router->run(cmd::Adapters); });
    connect(m_timedRefreshCheckBox, &QCheckBox::toggled, this, &MainWindow::setTimedRefresh);
    // "activated", not "currentIndexChanged": choosing the entry that is
    // already selected still counts as a choice and writes its keys.
    connect(m_intervalComboBox, &QComboBox::activated, this, &MainWindow::chooseInterval);
}

void MainWindow::buildMenu()
{
    m_commandMenu = menuBar()->addMenu(QStringLiteral("&Menu"));
    m_commandMenu->setObjectName(QStringLiteral("commandMenu"));
    for (int i = 0; i < int(kMainMenu.size()); ++i) {
        const MenuEntry &e = kMainMenu[size_t(i)];
        if (e.caption == kSeparator) {
            m_commandMenu->addSeparator();
            continue;
        }
        QAction *a = m_commandMenu->addAction(QString(e.caption));
        a->setObjectName(QString(e.key) + QStringLiteral("Action"));
        a->setData(QString(e.key));
        connect(a, &QAction::triggered, this, [this, i] { chooseMenuItem(i); });
    }
}

void MainWindow::enableRoutedControls()
{
    // Commands whose window is not part of this build are greyed out
    // rather than dead.
    for (QAction *a : m_commandMenu->actions())
        if (!a->isSeparator())
            a->setEnabled(m_router->handles(a->data().toString()));
    m_macAddressButton->setEnabled(m_router->handles(cmd::Adapters));
    m_browserButton->setEnabled(m_router->handles(cmd::Browser));
}

void MainWindow::load()
{
    // The timer check box and the interval list run their own handlers as
    // they are set, which also writes their settings back (where they
    // differ from what the file holds).
    qint16 refreshIp = 0;
    m_settings->readNumber(refreshIp, keys::RefreshIP);
    if (refreshIp == 1)
        m_timedRefreshCheckBox->setChecked(true);

    if (const auto interval = m_settings->number(keys::RefreshIPInterval);
        interval && *interval >= -1 && *interval < m_intervalComboBox->count()) {
        m_intervalComboBox->setCurrentIndex(*interval);
        chooseInterval(*interval);
    }

    m_settings->readNumber(m_refreshMinutes, keys::RefreshIPIntervalMin);
    m_minutesElapsed = 0;

    createTrayIcon();
    loadPreferences();

    if (m_startMinimized == 1)
        setWindowState(Qt::WindowMinimized);

    m_homePageUrl = m_settings->homePage();
    refreshAddresses();
}

void MainWindow::createTrayIcon()
{
    m_trayIcon = new tray::TrayIcon(std::exchange(m_trayShell, nullptr), applicationIcon(), this);
    connect(m_trayIcon, &tray::TrayIcon::menuItemChosen, this,
            [this](long, const QString &key) { runCommand(key); });
    connect(m_trayIcon, &tray::TrayIcon::doubleClicked, this, &MainWindow::openFromTray);
    connect(m_trayIcon, &tray::TrayIcon::buttonDown, this, [this](Qt::MouseButton button) {
        if (button == Qt::RightButton)
            m_trayIcon->showMenu();
    });
    connect(m_trayIcon, &tray::TrayIcon::mouseMoved, this,
            [this] { m_trayIcon->setToolTip(toolTipText()); });

    for (size_t i = 0; i < kTrayMenu.size(); ++i) {
        const MenuEntry &e = kTrayMenu[i];
        const long index = m_trayIcon->addMenuItem(QString(e.caption), QString(e.key), i == 0);
        if (e.caption != kSeparator && !m_router->handles(e.key))
            m_trayIcon->setMenuItemEnabled(index, false);
    }
    m_trayIcon->setToolTip(toolTipText());
    // The picture beside the addresses, in every size the tray may want.
    m_trayIcon->setIcon(windowIcon());
}

void MainWindow::loadPreferences()
{
    // The logon entry and the sound follow the settings every time they are
    // read, whether or not anything changed.
    m_settings->readNumber(m_startAtLogon, keys::StartWithWindows);
    platform::setStartAtLogon(m_startAtLogon == 1);
    m_settings->readNumber(m_startMinimized, keys::StartMinimized);
    m_settings->readNumber(m_noBalloons, keys::DontShowBalloon);
    m_settings->readNumber(m_noExitQuestion, keys::DontAskConfirmation);
    m_settings->readNumber(m_playSound, keys::PlaySound);
    m_settings->readText(m_soundFile, keys::File);
    m_sound->setSound(settings::SoundPlayer::kChangeSound,
                      settings::loadSoundFile(m_soundFile, this));
    m_settings->readNumber(m_refreshOnNetworkChange, keys::RefreshOnNetworkChange);
    m_cycle->setRefreshOnNetworkChange(m_refreshOnNetworkChange == 1);
}

void MainWindow::refreshAddresses()
{
    m_cycle->refresh(RefreshCycle::Trigger::Timer);
}

bool MainWindow::isRefreshing() const
{
    return m_cycle->isRunning();
}

void MainWindow::onRefreshStarted(RefreshCycle::Trigger trigger)
{
    if (trigger == RefreshCycle::Trigger::Button)
        showBalloon(QStringLiteral("IP Refresh, please wait..."));
    m_refreshButton->setEnabled(false);
}

void MainWindow::onRefreshFinished(const address::AddressSnapshot &snapshot,
                                   RefreshCycle::Trigger trigger, RefreshCycle::Changes changed)
{
    // A refresh that outlives the window's closing has no one to tell.
    if (m_closing || !m_trayIcon)
        return;
    m_hostNameEdit->setText(snapshot.hostName);
    m_publicIpEdit->setText(snapshot.publicIp);
    // The box says only that the address could not be had; its tip says why.
    m_publicIpEdit->setToolTip(snapshot.publicIpProblem);
    m_publicIpv6Edit->setText(snapshot.publicIpv6);
    m_publicIpv6Edit->setToolTip(snapshot.publicIpv6Problem);
    // The box shows one address per line; infoText() restores the CR LF.
    QString lan = snapshot.lan;
    m_lanEdit->setPlainText(lan.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    showMessages(snapshot.messages);

    if (changed.any())
        announceChange(changed);
    else if (trigger == RefreshCycle::Trigger::Button)
        showBalloon(QStringLiteral("IP Refresh finish."));
    // Not every desktop reports the mouse over the tray icon, so the tip is
    // kept current here as well.
    m_trayIcon->setToolTip(toolTipText());
    m_refreshButton->setEnabled(true);

    if (!std::exchange(m_firstRefreshDone, true))
        showAfterFirstRefresh();
    emit refreshFinished();
}

void MainWindow::showAfterFirstRefresh()
{
    // Opened from the tray or hidden again while the refresh ran: the user
    // has decided where the window belongs.
    if (m_userPlacedWindow)
        return;
    if (m_startMinimized != 1)
        show();
    else if (!m_trayIcon->isAvailable())
        // With no tray to come back from, the task bar has to hold it.
        showMinimized();
}

void MainWindow::announceChange(RefreshCycle::Changes changed)
{
    // The mail, when the settings ask for one, is the refresh cycle's. Each
    // family that changed has its line; one that did not stays out.
    QStringList lines;
    if (changed.ipv4)
        lines << QStringLiteral("IP Internet changed. ") + m_cycle->lastPublicIp();
    if (changed.ipv6)
        lines << QStringLiteral("IP Internet (IPv6) changed. ") + m_cycle->lastPublicIpv6();
    showBalloon(lines.join(u'\n'));
    if (m_playSound == 1)
        m_sound->play(settings::SoundPlayer::kChangeSound);
    m_homePage->visit(QUrl(m_homePageUrl));
}

mail::Notification MainWindow::notification() const
{
    QString lan = m_lanEdit->toPlainText();
    lan.replace(u'\n', QStringLiteral("\r\n"));
    return mail::composeNotification(m_hostNameEdit->text(), m_publicIpEdit->text(),
                                     m_publicIpv6Edit->text(), lan, QDateTime::currentDateTime());
}

QString MainWindow::infoText() const
{
    QString lan = m_lanEdit->toPlainText();
    lan.replace(u'\n', QStringLiteral("\r\n"));
    return address::composeInfoText(m_hostNameEdit->text(), m_publicIpEdit->text(),
                                    m_publicIpv6Edit->text(), lan);
}

QString MainWindow::toolTipText() const
{
    QString lan = m_lanEdit->toPlainText();
    lan.replace(u'\n', QStringLiteral("\r\n"));
    QStringList problems;
    for (const QString &p : {m_commandProblem, m_webHookProblem})
        if (!p.isEmpty())
            problems << p;
    return address::composeInfoText(m_hostNameEdit->text(), m_publicIpEdit->text(),
                                    m_publicIpv6Edit->text(), lan, problems);
}

void MainWindow::onActionFinished(ChangeActions::Action action, bool success, const QString &text)
{
    QString &problem =
        action == ChangeActions::Action::Command ? m_commandProblem : m_webHookProblem;
    problem = success ? QString() : text;
    if (m_trayIcon)
        m_trayIcon->setToolTip(toolTipText());
}

void MainWindow::showBalloon(const QString &text)
{
    if (m_noBalloons == 0 && m_trayIcon)
        m_trayIcon->showBalloon(text, windowTitle(), kBalloonIcon, kBalloonTimeOutMs);
}

void MainWindow::showMessages(const QStringList &messages)
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

void MainWindow::refreshNow()
{
    m_cycle->refresh(RefreshCycle::Trigger::Button);
}

void MainWindow::countMinute()
{
    if (tickMinute(m_minutesElapsed, m_refreshMinutes))
        refreshAddresses();
}

void MainWindow::setTimedRefresh(bool on)
{
    if (on)
        m_refreshTimer->start();
    else
        m_refreshTimer->stop();
    m_minutesElapsed = 0;
    m_settings->setValue(keys::RefreshIP, number(on ? 1 : 0));
}

void MainWindow::chooseInterval(int index)
{
    if (index < 0)
        return;
    // The minute counter runs on, so a shorter interval takes effect at the
    // next tick.
    m_refreshMinutes = minutesForIntervalEntry(m_intervalComboBox->itemText(index));
    m_settings->setValue(keys::RefreshIPInterval, number(index));
    m_settings->setValue(keys::RefreshIPIntervalMin, number(m_refreshMinutes));
}

void MainWindow::chooseMenuItem(int index)
{
    if (index < 0 || index >= int(kMainMenu.size()) || kMainMenu[size_t(index)].key.isEmpty())
        return;
    runCommand(kMainMenu[size_t(index)].key);
}

void MainWindow::runCommand(const QString &key)
{
    m_router->run(key);
}

void MainWindow::openFromTray()
{
    m_userPlacedWindow = true;
    // Back as a normal window, whatever state it was hidden in.
    setWindowState(
        (windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) |
        Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::hideIntoTray()
{
    m_userPlacedWindow = true;
    setWindowState(windowState() | Qt::WindowMinimized);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Minimised by the user (not by "Start Minimized" before it was shown).
    if (isVisible())
        m_userPlacedWindow = true;
    // Into the tray, but only where there is one to come back from.
    if (m_trayIcon && m_trayIcon->isAvailable())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

bool MainWindow::askExitQuestion()
{
    return QMessageBox::question(this, windowTitle(), QStringLiteral("Do you want really exit?"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // m_closing is checked again after the question: a signal may have
    // ended the program while it was being asked.
    if (!m_closing && m_noExitQuestion == 0 && !askExitQuestion() && !m_closing) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

bool MainWindow::endSession(const std::function<bool()> &mayAsk)
{
    if (!m_closing && m_noExitQuestion == 0 && mayAsk() && !askExitQuestion() && !m_closing)
        return false;
    shutDown();
    close();
    return true;
}

void MainWindow::quitWithoutQuestion()
{
    shutDown();
    close();
}

void MainWindow::shutDown()
{
    if (std::exchange(m_closing, true))
        return;
    // Unloading the tray icon takes it out of the tray. The object goes
    // later: this may run inside a click on its own menu.
    if (m_trayIcon) {
        m_trayIcon->unload();
        m_trayIcon->deleteLater();
        m_trayIcon = nullptr;
    }
    m_refreshTimer->stop();
    m_cycle->stop();
    m_settings->sync();
    emit closed();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // One click selects a whole address, ready to copy.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_hostNameEdit || watched == m_publicIpEdit || watched == m_publicIpv6Edit)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        if (!edit->text().isEmpty())
            edit->selectAll();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace app
