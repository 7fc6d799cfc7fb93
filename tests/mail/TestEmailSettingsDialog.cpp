#include "DefaultMailAccount.h"
#include "EmailSettingsDialog.h"
#include "MailClient.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SmtpTestServer.h"
#include "TestEnvironment.h"

#include <QCheckBox>
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
    void cleanup() { delete dialog; }
    void firstUse();
    void defaultSettings_data();
    void defaultSettings();
    void sendTestMail();

private:
    template <typename T> T *find(const char *name) { return dialog->findChild<T *>(name); }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(name); }
    void click(const char *name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    std::unique_ptr<TestEnvironment> env;
    QTemporaryDir home;
    QPointer<EmailSettingsDialog> dialog;
};

void TestEmailSettingsDialog::init()
{
    delete dialog;
    env = std::make_unique<TestEnvironment>();
    qputenv("HOME", home.path().toLocal8Bit()); // no mail account
    clearProxyEnvironment();
    auto *accountReader = new mail::MailClient; // a fresh one: it keeps what it found
    dialog = new EmailSettingsDialog(accountReader, [] {
        return mail::composeNotification("h", "203.0.113.7", "2001:db8::7", "192.0.2.5\r\n",
                                         QDateTime::currentDateTime());
    });
    accountReader->setParent(dialog);
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
    QCOMPARE(edit("passwordEdit")->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter),
             int('*'));
    // The encryption default follows the port until the user decides.
    edit("serverEdit")->setText("smtp.example.com:587");
    QVERIFY(find<QCheckBox>("requireEncryptionCheckBox")->isChecked());
    QVERIFY(!find<QCheckBox>("implicitTlsCheckBox")->isChecked());
    edit("serverEdit")->setText("smtp.example.com:465");
    QVERIFY(find<QCheckBox>("implicitTlsCheckBox")->isChecked());
    QVERIFY(!find<QCheckBox>("allowPlainPasswordCheckBox")->isChecked());
    // Thunderbird's "SSL/TLS" without a port of its own is port 465.
    QCOMPARE(platform::thunderbirdAccount(R"(user_pref("mail.accountmanager.defaultaccount", "a");
user_pref("mail.account.a.identities", "i");
user_pref("mail.identity.i.smtpServer", "s");
user_pref("mail.smtpserver.s.hostname", "h.example");
user_pref("mail.smtpserver.s.try_ssl", 3);)")
                 .smtpServer,
             "h.example:465");

    QStringList order;
    QWidget *w = edit("serverEdit");
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != edit("serverEdit"));
    QCOMPARE(order, (QStringList{"serverEdit", "userNameEdit", "passwordEdit", "fromEmailEdit",
                                 "toEmailEdit", "defaultSettingsButton", "sendMailCheckBox",
                                 "requireEncryptionCheckBox", "implicitTlsCheckBox",
                                 "allowPlainPasswordCheckBox", "sendTestButton", "okButton",
                                 "cancelButton"}));
    QCOMPARE(find<QLabel>("serverLabel")->buddy(), edit("serverEdit"));
    // The tests have no session bus, so no secret store: the dialog says so.
    QTRY_VERIFY(find<QLabel>("passwordStoreLabel")->isVisible());
#ifdef Q_OS_WIN
    QCOMPARE(find<QLabel>("passwordStoreLabel")->text(),
             "No secret store: the password is kept in the registry, under "
             "HKEY_CURRENT_USER\\Software\\Quorvel\\Quorvel\\Settings.");
#else
    QCOMPARE(find<QLabel>("passwordStoreLabel")->text(),
             "No secret store: the password is kept in the settings file.");
#endif
}

void TestEmailSettingsDialog::defaultSettings_data()
{
    QTest::addColumn<bool>("profile");
    QTest::addColumn<QStringList>("boxes"); // server, user, from
#ifndef Q_OS_WIN // there the account is the registry's (TestWindowsSeams)
    QTest::newRow("Thunderbird profile")
        << true << QStringList{"smtp.example.com:587", "Ann \"Q\" Example", "ann@example.com"};
#endif
    QTest::newRow("no mail account") << false << QStringList{"", "", ""};
}

void TestEmailSettingsDialog::defaultSettings()
{
    QFETCH(bool, profile);
    QFETCH(QStringList, boxes);
    if (profile)
        qputenv("HOME", QUORVEL_TEST_DATA_DIR "/fixtures/home");
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

void TestEmailSettingsDialog::sendTestMail()
{
    SmtpTestServer server;
    QVERIFY2(server.start({"smtp"}), qPrintable(server.error()));
    edit("serverEdit")->setText(server.hostPort());
    edit("fromEmailEdit")->setText("ann@example.com");
    edit("toEmailEdit")->setText("me@example.net");
    QSignalSpy finished(dialog.data(), &EmailSettingsDialog::testFinished);
    click("sendTestButton");
    QVERIFY(!find<QPushButton>("sendTestButton")->isEnabled());
    QVERIFY(finished.wait(15000));
    QCOMPARE(find<QLabel>("testResultLabel")->text(), "E-Mail send ok.");
    QVERIFY(find<QPushButton>("sendTestButton")->isEnabled());
    QVERIFY(dialog->isVisible());
    QVERIFY(!QFile::exists(env->settingsFile())); // sent unsaved values, saved nothing
    const QString data = server.records("message").value(0).value("data").toString();
    QVERIFY(data.contains(
        "\r\nSubject: Notify IP changed, Host: h IP: 203.0.113.7 LAN: 192.0.2.5\r\n"));
}

QTEST_MAIN(TestEmailSettingsDialog)
#include "TestEmailSettingsDialog.moc"
