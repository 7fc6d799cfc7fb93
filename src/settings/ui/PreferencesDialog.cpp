#include "PreferencesDialog.h"

#include "CommandLine.h"
#include "CommonDialog.h"
#include "CompactedPath.h"
#include "ProgramFiles.h"
#include "ServiceHost.h"
#include "SettingsKeys.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace settings {

namespace {

// The flags in the order they are shown and written.
constexpr QLatin1StringView kFlagKeys[] = {keys::StartWithWindows, keys::StartMinimized,
                                           keys::DontShowBalloon,  keys::DontAskConfirmation,
                                           keys::PlaySound,        keys::RefreshOnNetworkChange};

// A flag's stored value is its check box's state: cleared, ticked, greyed.
constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};

} // namespace

PreferencesDialog::PreferencesDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("preferencesDialog"));
    setWindowTitle(QStringLiteral("Preferences"));
    // A fixed dialog: no resizing, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    readSettings();
}

void PreferencesDialog::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    const auto makeCheckBox = [&](const char *name, const QString &caption) {
        auto *box = new QCheckBox(caption, this);
        box->setObjectName(QString::fromLatin1(name));
        outer->addWidget(box);
        return box;
    };
    m_startAtLogonCheckBox =
        makeCheckBox("startAtLogonCheckBox", QStringLiteral("Start with Windows"));
    m_startMinimizedCheckBox =
        makeCheckBox("startMinimizedCheckBox", QStringLiteral("Start  Minimized"));
    m_noBalloonsCheckBox =
        makeCheckBox("noBalloonsCheckBox", QStringLiteral("Don't Show Balloon Tips"));
    m_noExitQuestionCheckBox = makeCheckBox(
        "noExitQuestionCheckBox", QStringLiteral("Don't Ask Confirmation when Closed the Program"));
    m_playSoundCheckBox =
        makeCheckBox("playSoundCheckBox", QStringLiteral("Play Sound when IP Address Changes"));

    // The sound file row sits under its check box, indented like a detail
    // of it.
    auto *soundRow = new QHBoxLayout;
    soundRow->setContentsMargins(24, 0, 0, 0);
    m_soundFileEdit = new QLineEdit(this);
    m_soundFileEdit->setObjectName(QStringLiteral("soundFileEdit"));
    m_soundFileEdit->setReadOnly(true);
    m_soundFileEdit->setMinimumWidth(193);
    m_soundFileEdit->setAccessibleName(QStringLiteral("Sound file"));
    m_browseButton = new QPushButton(QStringLiteral("..."), this);
    m_browseButton->setObjectName(QStringLiteral("browseButton"));
    m_browseButton->setAccessibleName(QStringLiteral("Choose the sound file"));
    m_browseButton->setFixedWidth(
        m_browseButton->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    soundRow->addWidget(m_soundFileEdit, 1);
    soundRow->addWidget(m_browseButton);
    outer->addLayout(soundRow);

    m_soundFileLabel = new QLabel(this);
    m_soundFileLabel->setObjectName(QStringLiteral("soundFileLabel"));
    m_soundFileLabel->setVisible(false);
    m_soundFileLabel->setBuddy(m_soundFileEdit);

    m_networkRefreshCheckBox =
        makeCheckBox("networkRefreshCheckBox", QStringLiteral("Refresh when the network changes"));
    m_networkRefreshCheckBox->setToolTip(
        QStringLiteral("Also refresh at once when an address, the default route or a link of "
                       "this machine changes, and after waking from sleep"));

    auto *serviceRow = new QHBoxLayout;
    auto *serviceLabel = new QLabel(QStringLiteral("Public IP service:"), this);
    serviceLabel->setObjectName(QStringLiteral("ipServiceLabel"));
    m_ipServiceEdit = new QLineEdit(this);
    m_ipServiceEdit->setObjectName(QStringLiteral("ipServiceEdit"));
    m_ipServiceEdit->setPlaceholderText(QStringLiteral("built-in"));
    m_ipServiceEdit->setToolTip(
        QStringLiteral("Host or host:port of your own public-IP page; empty for the built-in"));
    serviceLabel->setBuddy(m_ipServiceEdit);
    serviceRow->addWidget(serviceLabel);
    serviceRow->addWidget(m_ipServiceEdit, 1);
    outer->addLayout(serviceRow);

    auto *commandRow = new QHBoxLayout;
    auto *commandLabel = new QLabel(QStringLiteral("Change command:"), this);
    commandLabel->setObjectName(QStringLiteral("changeCommandLabel"));
    m_changeCommandEdit = new QLineEdit(this);
    m_changeCommandEdit->setObjectName(QStringLiteral("changeCommandEdit"));
    m_changeCommandEdit->setPlaceholderText(QStringLiteral("none"));
    m_changeCommandEdit->setToolTip(
        QStringLiteral("Run when a public address changes, without a shell; it finds the change "
                       "in QUORVEL_FAMILY, QUORVEL_OLD_IP, QUORVEL_NEW_IP and QUORVEL_HOST_NAME"));
    commandLabel->setBuddy(m_changeCommandEdit);
    commandRow->addWidget(commandLabel);
    commandRow->addWidget(m_changeCommandEdit, 1);
    outer->addLayout(commandRow);

    auto *buttons = new QHBoxLayout;
    m_okButton = new QPushButton(QStringLiteral("Ok"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Neither is the default or the cancel button: Enter and Escape press
    // nothing here.
    for (QPushButton *b : {m_okButton, m_cancelButton, m_browseButton})
        b->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    outer->addLayout(buttons);

    setTabOrder(m_cancelButton, m_startAtLogonCheckBox);
    setTabOrder(m_startAtLogonCheckBox, m_startMinimizedCheckBox);
    setTabOrder(m_startMinimizedCheckBox, m_noBalloonsCheckBox);
    setTabOrder(m_noBalloonsCheckBox, m_noExitQuestionCheckBox);
    setTabOrder(m_noExitQuestionCheckBox, m_playSoundCheckBox);
    setTabOrder(m_playSoundCheckBox, m_soundFileEdit);
    setTabOrder(m_soundFileEdit, m_browseButton);
    setTabOrder(m_browseButton, m_networkRefreshCheckBox);
    setTabOrder(m_networkRefreshCheckBox, m_ipServiceEdit);
    setTabOrder(m_ipServiceEdit, m_changeCommandEdit);
    setTabOrder(m_changeCommandEdit, m_okButton);
    m_cancelButton->setFocus();

    connect(m_browseButton, &QPushButton::clicked, this, &PreferencesDialog::chooseSoundFile);
    connect(m_okButton, &QPushButton::clicked, this, &PreferencesDialog::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void PreferencesDialog::readSettings()
{
    QCheckBox *const boxes[] = {m_startAtLogonCheckBox, m_startMinimizedCheckBox,
                                m_noBalloonsCheckBox,   m_noExitQuestionCheckBox,
                                m_playSoundCheckBox,    m_networkRefreshCheckBox};
    for (size_t i = 0; i < std::size(boxes); ++i) {
        // A check box knows three states (2 shows it greyed); any other
        // stored value leaves it cleared.
        const auto value = m_settings.number(kFlagKeys[i]);
        if (value && *value >= 0 && *value <= 2)
            boxes[i]->setCheckState(kStates[*value]);
        // Clicking a greyed box makes it a plain two-state one again.
        connect(boxes[i], &QCheckBox::clicked, boxes[i],
                [box = boxes[i]] { box->setTristate(false); });
    }
    // The path as the system writes paths (backslashes on Windows), which
    // is also how it is stored.
    const QString defaultFile = defaultValue(keys::File);
    m_soundFileLabel->setText(
        QDir::toNativeSeparators(m_settings.value(keys::File, defaultFile).value_or(defaultFile)));
    m_ipServiceEdit->setText(m_settings.value(keys::IPServiceHost, QString()).value_or(QString()));
    m_changeCommandEdit->setText(
        m_settings.value(keys::ChangeCommand, QString()).value_or(QString()));
    // The program's name matters most; it shows even when the line is long.
    m_changeCommandEdit->setCursorPosition(0);
    showSoundFile(m_soundFileLabel->text());
}

QString PreferencesDialog::fitPathToLabel(const QString &path) const
{
    return compactedPath(path, m_soundFileLabel->width(), font());
}

void PreferencesDialog::showSoundFile(const QString &path)
{
    // The label is as wide as the text area of the field, so the shortened
    // path shows whole.
    layout()->activate();
    QStyleOptionFrame frame;
    frame.initFrom(m_soundFileEdit);
    const int border =
        style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, m_soundFileEdit) + 2;
    m_soundFileLabel->setFixedWidth(std::max(0, m_soundFileEdit->width() - 2 * border));
    m_soundFileEdit->setText(fitPathToLabel(path));
    m_soundFileEdit->setCursorPosition(0);
}

void PreferencesDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The final layout is known only now.
    showSoundFile(m_soundFileLabel->text());
}

void PreferencesDialog::chooseSoundFile()
{
    CommonDialog dialogs;
    CommonDialog::FileRequest request;
    request.filter = QStringLiteral("Wave Files (*.wav)|*.wav");
    request.initialDir = platform::programFolder(platform::ProgramFileKind::Data);
    request.defaultExt = QStringLiteral("wav");
    request.owner = this;
    if (!dialogs.getOpenFileName(request))
        return;
    m_soundFileLabel->setText(QDir::toNativeSeparators(request.fileName));
    showSoundFile(m_soundFileLabel->text());
}

void PreferencesDialog::save()
{
    // A service or a command that cannot work as typed would only turn
    // every refresh into a failure; nothing is stored until it is right.
    const QString service = m_ipServiceEdit->text().trimmed();
    if (!service.isEmpty() && !isValidServiceHost(service)) {
        refuse(m_ipServiceEdit,
               QStringLiteral("\"%1\" is not a host name or address. Give the public IP service as "
                              "a host, optionally with a port (ip.example.net, 192.0.2.1:8080, "
                              "[2001:db8::1]:8080), or leave the field empty for the built-in "
                              "service.")
                   .arg(service));
        return;
    }
    const QString command = m_changeCommandEdit->text();
    if (const QString error = splitCommandLine(command).error; !error.isEmpty()) {
        refuse(m_changeCommandEdit,
               QStringLiteral("The change command cannot be run: %1. Quote an argument that holds "
                              "blanks in double quotes (\"C:\\My Tools\\update.exe\" --quiet).")
                   .arg(error));
        return;
    }
    const QCheckBox *const boxes[] = {m_startAtLogonCheckBox, m_startMinimizedCheckBox,
                                      m_noBalloonsCheckBox,   m_noExitQuestionCheckBox,
                                      m_playSoundCheckBox,    m_networkRefreshCheckBox};
    for (size_t i = 0; i < std::size(boxes); ++i)
        m_settings.setValue(kFlagKeys[i],
                            QString::number(std::find(std::begin(kStates), std::end(kStates),
                                                      boxes[i]->checkState()) -
                                            std::begin(kStates)));
    m_settings.setValue(keys::File, m_soundFileLabel->text());
    m_settings.setValue(keys::IPServiceHost, service);
    m_settings.setValue(keys::ChangeCommand, command.trimmed());
    close();
}

void PreferencesDialog::refuse(QLineEdit *field, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(field == m_ipServiceEdit ? QStringLiteral("ipServiceMessage")
                                                : QStringLiteral("changeCommandMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->show();
    field->setFocus();
}

void PreferencesDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape closes most dialogs; this one closes by its buttons only.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace settings
