#include "AddressSource.h"
#include "CommandRouter.h"
#include "Commands.h"
#include "MainWindow.h"
#include "MimeMessage.h"
#include "PageServer.h"
#include "RecordingTrayShell.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SmtpTestServer.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using app::MainWindow;
namespace keys = settings::keys;

// The program's start with "Send Me E-Mail" on: the public-IP page and an
// SMTP server with AUTH on loopback; then the settings dialog through the
// "send" command changes where the next notification goes.
class TestMailEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void notificationOnStartAndAfterDialog();
};

void TestMailEndToEnd::notificationOnStartAndAfterDialog()
{
    TestEnvironment env;
    clearProxyEnvironment();
    PageServer page;
    QVERIFY2(page.start(), qPrintable(page.errorString()));
    page.setAddress("127.0.0.1");
    SmtpTestServer smtp;
    QVERIFY2(smtp.start({"smtp", "--auth", "both"}), qPrintable(smtp.error()));
    env.setLoopbackServices(page.hostPort(), page.url("/home"));
    settings::SettingsStore store;
    store.setValue(keys::DontAskConfirmation, "1");
    store.setValue(keys::SendMeEMail, "1");
    store.setValue(keys::SMTPServer, smtp.hostPort());
    store.setValue(keys::Username, "ann");
    store.setValue(keys::Password, "pw");
    store.setValue(keys::FromEMail, "ann@example.com");
    store.setValue(keys::ToEMail, "me@example.net");

    auto *shell = new RecordingTrayShell;
    MainWindow w({new address::NetworkAddressSource, shell});
    QSignalSpy refreshed(&w, &MainWindow::refreshFinished);
    const QDateTime started = QDateTime::currentDateTime();
    w.load();
    QVERIFY(refreshed.wait(15000));
    QTRY_COMPARE_WITH_TIMEOUT(shell->balloonTexts().size(), 2, 15000);
    QCOMPARE(shell->balloonTexts(),
             (QStringList{"IP Internet changed. 127.0.0.1", "E-Mail send ok."}));

    const QList<QJsonObject> messages = smtp.records("message");
    QCOMPARE(messages.size(), 1);
    const QString data = messages.first().value("data").toString();
    const QString lan = w.findChild<QPlainTextEdit *>("lanEdit")->toPlainText();
    const QString subject =
        "Subject: " +
        mail::singleLine("Notify IP changed, Host: " + QSysInfo::machineHostName() +
                         " IP: 127.0.0.1 LAN: " + lan) +
        "\r\n";
    QVERIFY2(data.contains(subject), qPrintable(data));
    const QString dateLine = data.section("\r\n\r\nDate/Time: ", 1).section("\r\n", 0, 0);
    QVERIFY2(dateLine == mail::generalDateTime(started) ||
                 dateLine == mail::generalDateTime(started.addSecs(1)),
             qPrintable(dateLine));
    QVERIFY(data.endsWith("\r\n" + w.infoText() + "\r\n"));
    QCOMPARE(smtp.records("login").value(0).value("user").toString(), "ann");

    // The dialog through its command; OK, and the next change goes to the
    // new recipient.
    w.runCommand(app::cmd::Send);
    QWidget *dialog = w.router()->openWindow(app::cmd::Send);
    QVERIFY(dialog);
    dialog->findChild<QLineEdit *>("toEmailEdit")->setText("new@example.net");
    QTest::mouseClick(dialog->findChild<QPushButton *>("okButton"), Qt::LeftButton);
    QTRY_VERIFY(!w.router()->openWindow(app::cmd::Send));
    page.setAddress("127.0.0.2");
    w.countMinute();
    QVERIFY(refreshed.wait(15000));
    QTRY_COMPARE_WITH_TIMEOUT(smtp.records("message").size(), 2, 15000);
    QCOMPARE(smtp.records("message").last().value("rcpt_tos").toArray().first().toString(),
             "new@example.net");
}

QTEST_MAIN(TestMailEndToEnd)
#include "TestMailEndToEnd.moc"
