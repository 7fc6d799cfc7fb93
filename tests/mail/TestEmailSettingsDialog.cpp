#include "EmailSettingsDialog.h"
#include "MailClient.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SmtpTestServer.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>
#include <memory>

using mail::EmailSettingsDialog;
namespace keys = settings::keys;

// The e-mail settings dialog offscreen, with the default account read from
// a Thunderbird profile under a temporary HOME.
class TestEmailSettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup()
    {
        delete dialog;
        accountReader.reset();
    }
    void firstUse();
    void defaultSettings_data();
    void defaultSettings();
    void okWritesAsTyped();
    void sendTestMail_data();
    void sendTestMail();

private:
    template <typename T> T *find(const char *name) { return dialog->findChild<T *>(name); }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(name); }
    void click(const char *name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    std::unique_ptr<TestEnvironment> env;
    QTemporaryDir home;
    std::unique_ptr<mail::MailClient> accountReader;
    QPointer<EmailSettingsDialog> dialog;
};

void TestEmailSettingsDialog::init()
{
    delete dialog;
    env = std::make_unique<TestEnvironment>();
    qputenv("HOME", home.path().toLocal8Bit());
    QDir(home.path() + "/.thunderbird").removeRecursively();
    clearProxyEnvironment();
    accountReader = std::make_unique<mail::MailClient>();
    dialog = new EmailSettingsDialog(accountReader.get(), [] {
        return mail::composeNotification("h", "203.0.113.7", "192.0.2.5\r\n",
                                         QDateTime::currentDateTime());
    });
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void TestEmailSettingsDialog::firstUse()
{
    QCOMPARE(dialog->windowTitle(), "E-Mail Settings");
    for (const char *name :
         {"serverEdit", "userNameEdit", "passwordEdit", "fromEmailEdit", "toEmailEdit"})
        QVERIFY(edit(name)->text().isEmpty());
    QVERIFY(!find<QCheckBox>("sendMailCheckBox")->isChecked());
    QCOMPARE(edit("passwordEdit")->echoMode(), QLineEdit::Password);
    QCOMPARE(edit("passwordEdit")->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter),
             int('*'));
    // The encryption default follows the port until the user decides.
    auto *require = find<QCheckBox>("requireEncryptionCheckBox");
    QVERIFY(!require->isChecked());
    edit("serverEdit")->setText("smtp.example.com:587");
    QVERIFY(require->isChecked());
    require->click();
    edit("serverEdit")->setText("smtp.example.com:465");
    QVERIFY(!require->isChecked());

    QStringList order;
    QWidget *w = edit("serverEdit");
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != edit("serverEdit"));
    QCOMPARE(order, (QStringList{"serverEdit", "userNameEdit", "passwordEdit", "fromEmailEdit",
                                 "toEmailEdit", "defaultSettingsButton", "sendMailCheckBox",
                                 "requireEncryptionCheckBox", "sendTestButton", "okButton",
                                 "cancelButton"}));
    QCOMPARE(find<QLabel>("serverLabel")->buddy(), edit("serverEdit"));
}

void TestEmailSettingsDialog::defaultSettings_data()
{
    QTest::addColumn<bool>("profile");
    QTest::addColumn<QStringList>("boxes"); // server, user, from
    QTest::newRow("Thunderbird profile")
        << true << QStringList{"smtp.example.com:587", "Ann \"Q\" Example", "ann@example.com"};
    QTest::newRow("no mail account") << false << QStringList{"", "", ""};
}

void TestEmailSettingsDialog::defaultSettings()
{
    QFETCH(bool, profile);
    QFETCH(QStringList, boxes);
    if (profile) {
        const QString src = QStringLiteral(QUORVEL_TEST_DATA_DIR "/fixtures/thunderbird/");
        const QString dst = home.path() + "/.thunderbird/";
        QVERIFY(QDir().mkpath(dst + "abcd.default-release"));
        for (const char *file : {"profiles.ini", "abcd.default-release/prefs.js"})
            QVERIFY(QFile::copy(src + file, dst + file));
    }
    for (const char *name :
         {"serverEdit", "userNameEdit", "passwordEdit", "fromEmailEdit", "toEmailEdit"})
        edit(name)->setText("typed");
    click("defaultSettingsButton");
    QCOMPARE((QStringList{edit("serverEdit")->text(), edit("userNameEdit")->text(),
                          edit("fromEmailEdit")->text()}),
             boxes);
    QCOMPARE(edit("passwordEdit")->text(), "typed");
    QCOMPARE(edit("toEmailEdit")->text(), "typed");
    click("cancelButton");
    QTRY_VERIFY(!dialog);
    QVERIFY(!QFile::exists(env->settingsFile()));
}

void TestEmailSettingsDialog::okWritesAsTyped()
{
    edit("serverEdit")->setText(" smtp.example.com:587 ");
    edit("userNameEdit")->setText("ann");
    edit("passwordEdit")->setText("secret ");
    edit("fromEmailEdit")->setText("ann@example.com");
    edit("toEmailEdit")->setText("me@example.net");
    find<QCheckBox>("sendMailCheckBox")->setChecked(true);
    click("okButton");
    QTRY_VERIFY(!dialog);
    const settings::SettingsStore store;
    QStringList stored;
    for (auto key : {keys::SMTPServer, keys::Username, keys::Password, keys::FromEMail,
                     keys::ToEMail, keys::SendMeEMail, keys::RequireEncryption})
        stored << store.value(key, "<absent>").value();
    QCOMPARE(stored, (QStringList{" smtp.example.com:587 ", "ann", "secret ", "ann@example.com",
                                  "me@example.net", "1", "1"}));
}

void TestEmailSettingsDialog::sendTestMail_data()
{
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<QString>("result");
    QTest::newRow("delivered") << true << "E-Mail send ok.";
    QTest::newRow("refused")
        << false
        << "E-Mail send error. The connection to the mail server failed. Connection refused";
}

void TestEmailSettingsDialog::sendTestMail()
{
    QFETCH(bool, serverRuns);
    QFETCH(QString, result);
    auto server = std::make_unique<SmtpTestServer>();
    QVERIFY2(server->start({"smtp"}), qPrintable(server->error()));
    edit("serverEdit")->setText(server->hostPort());
    if (!serverRuns)
        server.reset(); // the port is closed now
    edit("fromEmailEdit")->setText("ann@example.com");
    edit("toEmailEdit")->setText("me@example.net");
    QSignalSpy finished(dialog.data(), &EmailSettingsDialog::testFinished);
    click("sendTestButton");
    QVERIFY(!find<QPushButton>("sendTestButton")->isEnabled());
    QVERIFY(finished.wait(15000));
    QCOMPARE(find<QLabel>("testResultLabel")->text(), result);
    QVERIFY(find<QPushButton>("sendTestButton")->isEnabled());
    QVERIFY(dialog->isVisible());
    QVERIFY(!QFile::exists(env->settingsFile())); // sent unsaved values, saved nothing
    if (serverRuns) {
        const QString data = server->records("message").value(0).value("data").toString();
        QVERIFY2(data.contains("\r\nSubject: Notify IP changed, Host: h IP: 203.0.113.7 LAN: "
                               "192.0.2.5\r\n"),
                 qPrintable(data));
        QVERIFY(data.contains("\r\n\r\nDate/Time: "));
    }
}

QTEST_MAIN(TestEmailSettingsDialog)
#include "TestEmailSettingsDialog.moc"
