#include "EmailSettingsDialog.h"

#include "MailClient.h"
#include "PasswordStore.h"
#include "RegistryLayout.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

namespace mail {

namespace keys = settings::keys;

namespace {

// Where the password is kept when no secret store takes it: wherever the
// settings are (on Windows the user's registry key, elsewhere a file).
QString passwordPlaceText()
{
#ifdef Q_OS_WIN
    return QStringLiteral("No secret store: the password is kept in the registry, under "
                          "HKEY_CURRENT_USER\\") +
           QString::fromUtf16(platform::registry::kSettingsKey) + u'.';
#else
    return QStringLiteral("No secret store: the password is kept in the settings file.");
#endif
}

// Every character of the password shows as "*", whatever the desktop's
// style would draw.
class StarPasswordStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

EmailSettingsDialog::EmailSettingsDialog(MailClient *accountReader,
                                         std::function<Notification()> makeNotification,
                                         QWidget *parent)
    : QDialog(parent), m_accountReader(accountReader), m_testClient(new MailClient(this)),
      m_makeNotification(std::move(makeNotification))
{
    setObjectName(QStringLiteral("emailSettingsDialog"));
    setWindowTitle(QStringLiteral("E-Mail Settings"));
    buildControls();
    loadSettings();

    connect(m_testClient, &MailClient::sendComplete, this,
            [this](bool success, const QString &reason) { showTestResult(success, reason); });
}

void EmailSettingsDialog::buildControls()
{
    auto *grid = new QGridLayout(this);
    int row = 0;
    auto addField = [&](const char *labelName, const QString &caption, QLineEdit *&edit,
                        const char *editName) {
        auto *label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(labelName));
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setMinimumWidth(200);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    };
    addField("serverLabel", QStringLiteral("SMTP Server:"), m_serverEdit, "serverEdit");
    addField("userNameLabel", QStringLiteral("Username:"), m_userNameEdit, "userNameEdit");
    addField("passwordLabel", QStringLiteral("Password:"), m_passwordEdit, "passwordEdit");
    // Shown only when there is no secret store to keep the password.
    m_passwordStoreLabel = new QLabel(passwordPlaceText(), this);
    m_passwordStoreLabel->setObjectName(QStringLiteral("passwordStoreLabel"));
    m_passwordStoreLabel->setWordWrap(true);
    m_passwordStoreLabel->hide();
    grid->addWidget(m_passwordStoreLabel, row++, 1);
    addField("fromEmailLabel", QStringLiteral("From E-Mail:"), m_fromEmailEdit, "fromEmailEdit");
    addField("toEmailLabel", QStringLiteral("To E-Mail:"), m_toEmailEdit, "toEmailEdit");
    m_serverEdit->setPlaceholderText(QStringLiteral("host or host:port"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    auto *starStyle = new StarPasswordStyle;
    starStyle->setParent(m_passwordEdit);
    m_passwordEdit->setStyle(starStyle);

    m_defaultSettingsButton = new QPushButton(QStringLiteral("Get Default Settings"), this);
    m_defaultSettingsButton->setObjectName(QStringLiteral("defaultSettingsButton"));
    grid->addWidget(m_defaultSettingsButton, row++, 1);

    m_sendMailCheckBox = new QCheckBox(QStringLiteral("Send Me E-Mail when IP Changes"), this);
    m_sendMailCheckBox->setObjectName(QStringLiteral("sendMailCheckBox"));
    grid->addWidget(m_sendMailCheckBox, row++, 0, 1, 2);
    m_requireEncryptionCheckBox = new QCheckBox(QStringLiteral("Require encryption"), this);
    m_requireEncryptionCheckBox->setObjectName(QStringLiteral("requireEncryptionCheckBox"));
    grid->addWidget(m_requireEncryptionCheckBox, row++, 0, 1, 2);
    m_implicitTlsCheckBox = new QCheckBox(
        QStringLiteral("Encrypt from the first byte (implicit TLS, usual on port 465)"), this);
    m_implicitTlsCheckBox->setObjectName(QStringLiteral("implicitTlsCheckBox"));
    grid->addWidget(m_implicitTlsCheckBox, row++, 0, 1, 2);
    m_allowPlainPasswordCheckBox = new QCheckBox(
        QStringLiteral("Allow the password without encryption (anyone on the way can read it)"),
        this);
    m_allowPlainPasswordCheckBox->setObjectName(QStringLiteral("allowPlainPasswordCheckBox"));
    grid->addWidget(m_allowPlainPasswordCheckBox, row++, 0, 1, 2);

    m_sendTestButton = new QPushButton(QStringLiteral("Send Test E-Mail"), this);
    m_sendTestButton->setObjectName(QStringLiteral("sendTestButton"));
    grid->addWidget(m_sendTestButton, row++, 1);
    m_testResultLabel = new QLabel(this);
    m_testResultLabel->setObjectName(QStringLiteral("testResultLabel"));
    m_testResultLabel->setWordWrap(true);
    m_testResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_testResultLabel, row++, 0, 1, 2);

    auto *buttons = new QHBoxLayout;
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    grid->addLayout(buttons, row++, 0, 1, 2);
    m_okButton->setDefault(true);

    QWidget::setTabOrder(m_serverEdit, m_userNameEdit);
    QWidget::setTabOrder(m_userNameEdit, m_passwordEdit);
    QWidget::setTabOrder(m_passwordEdit, m_fromEmailEdit);
    QWidget::setTabOrder(m_fromEmailEdit, m_toEmailEdit);
    QWidget::setTabOrder(m_toEmailEdit, m_defaultSettingsButton);
    QWidget::setTabOrder(m_defaultSettingsButton, m_sendMailCheckBox);
    QWidget::setTabOrder(m_sendMailCheckBox, m_requireEncryptionCheckBox);
    QWidget::setTabOrder(m_requireEncryptionCheckBox, m_implicitTlsCheckBox);
    QWidget::setTabOrder(m_implicitTlsCheckBox, m_allowPlainPasswordCheckBox);
    QWidget::setTabOrder(m_allowPlainPasswordCheckBox, m_sendTestButton);
    QWidget::setTabOrder(m_sendTestButton, m_okButton);
    QWidget::setTabOrder(m_okButton, m_cancelButton);
    m_serverEdit->setFocus();

    connect(m_defaultSettingsButton, &QPushButton::clicked, this,
            &EmailSettingsDialog::useDefaultSettings);
    connect(m_okButton, &QPushButton::clicked, this, &EmailSettingsDialog::saveAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_sendTestButton, &QPushButton::clicked, this, &EmailSettingsDialog::sendTestMail);
    connect(m_requireEncryptionCheckBox, &QCheckBox::clicked, this,
            [this] { m_encryptionChosen = true; });
    connect(m_implicitTlsCheckBox, &QCheckBox::clicked, this,
            [this] { m_implicitTlsChosen = true; });
    connect(m_serverEdit, &QLineEdit::textChanged, this, [this](const QString &server) {
        if (!m_encryptionChosen)
            m_requireEncryptionCheckBox->setChecked(defaultRequireEncryption(server));
        if (!m_implicitTlsChosen)
            m_implicitTlsCheckBox->setChecked(defaultImplicitTls(server));
    });
}

void EmailSettingsDialog::loadSettings()
{
    const settings::SettingsStore store;
    auto text = [&](QLatin1StringView key) {
        QString value;
        store.readText(value, key);
        return value;
    };
    m_serverEdit->setText(text(keys::SMTPServer));
    m_userNameEdit->setText(text(keys::Username));
    // The password follows when the secret store has answered; what the
    // user types meanwhile stays.
    settings::PasswordStore::instance().load(this, [this](const QString &password, bool secure) {
        if (!m_passwordEdit->isModified())
            m_passwordEdit->setText(password);
        m_passwordLoaded = true;
        m_passwordStoreLabel->setVisible(!secure);
        // The note needs its lines: the dialog grows to show them all.
        adjustSize();
        emit passwordLoaded(secure);
    });
    m_fromEmailEdit->setText(text(keys::FromEMail));
    m_toEmailEdit->setText(text(keys::ToEMail));
    // A damaged value leaves the box as it was.
    if (const auto send = store.number(keys::SendMeEMail); send && *send >= 0 && *send <= 2)
        m_sendMailCheckBox->setCheckState(*send == 1   ? Qt::Checked
                                          : *send == 2 ? Qt::PartiallyChecked
                                                       : Qt::Unchecked);

    const auto stored = store.number(keys::RequireEncryption, QStringLiteral("-1"));
    m_encryptionChosen = stored && *stored != -1;
    m_requireEncryptionCheckBox->setChecked(
        m_encryptionChosen ? *stored != 0 : defaultRequireEncryption(m_serverEdit->text()));
    const auto implicit = store.number(keys::ImplicitTls, QStringLiteral("-1"));
    m_implicitTlsChosen = implicit && *implicit != -1;
    m_implicitTlsCheckBox->setChecked(
        m_implicitTlsChosen ? *implicit != 0 : defaultImplicitTls(m_serverEdit->text()));
    m_allowPlainPasswordCheckBox->setChecked(store.number(keys::AllowPlainPassword, "0") == 1);
}

void EmailSettingsDialog::useDefaultSettings()
{
    QString ignored;
    m_accountReader->startUp(ignored);
    m_serverEdit->setText(m_accountReader->defaultServer());
    m_userNameEdit->setText(m_accountReader->defaultFrom());
    m_fromEmailEdit->setText(m_accountReader->defaultEmail());
}

void EmailSettingsDialog::saveAndClose()
{
    settings::SettingsStore store;
    store.setValue(keys::SMTPServer, m_serverEdit->text());
    store.setValue(keys::Username, m_userNameEdit->text());
    // Goes on after the dialog has closed; whoever reads the password next
    // gets this one.
    if (m_passwordLoaded || m_passwordEdit->isModified())
        settings::PasswordStore::instance().save(m_passwordEdit->text(), nullptr);
    store.setValue(keys::FromEMail, m_fromEmailEdit->text());
    store.setValue(keys::ToEMail, m_toEmailEdit->text());
    // Stored the way the box's states were always numbered: 0 off, 1 on,
    // 2 undecided.
    const Qt::CheckState send = m_sendMailCheckBox->checkState();
    store.setValue(keys::SendMeEMail, send == Qt::Checked            ? QStringLiteral("1")
                                      : send == Qt::PartiallyChecked ? QStringLiteral("2")
                                                                     : QStringLiteral("0"));
    auto flag = [](QCheckBox *box) { return box->isChecked() ? "1" : "0"; };
    store.setValue(keys::RequireEncryption, flag(m_requireEncryptionCheckBox));
    store.setValue(keys::ImplicitTls, flag(m_implicitTlsCheckBox));
    store.setValue(keys::AllowPlainPassword, flag(m_allowPlainPasswordCheckBox));
    accept();
}

void EmailSettingsDialog::sendTestMail()
{
    MailSettings s{m_serverEdit->text(),
                   m_userNameEdit->text(),
                   m_passwordEdit->text(),
                   m_fromEmailEdit->text(),
                   m_toEmailEdit->text(),
                   m_requireEncryptionCheckBox->isChecked(),
                   m_implicitTlsCheckBox->isChecked(),
                   m_allowPlainPasswordCheckBox->isChecked()};
    m_testRunning = true;
    m_sendTestButton->setEnabled(false);
    m_testResultLabel->setText(QStringLiteral("Sending a test e-mail..."));
    QString error;
    if (sendNotification(*m_testClient, s, m_makeNotification(), error) != result::Success)
        showTestResult(false, error);
}

void EmailSettingsDialog::showTestResult(bool success, const QString &reason)
{
    if (!std::exchange(m_testRunning, false))
        return;
    m_testResultLabel->setText(sendResultText(success, reason));
    m_sendTestButton->setEnabled(true);
    emit testFinished(success);
}

} // namespace mail
