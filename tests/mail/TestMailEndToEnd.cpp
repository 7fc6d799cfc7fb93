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
    const std::pair<QLatin1StringView, QString> values[]{{keys::DontAskConfirmation, "1"},
                                                         {keys::SendMeEMail, "1"},
                                                         {keys::SMTPServer, smtp.hostPort()},
                                                         {keys::Username, "ann"},
                                                         {keys::Password, "pw"},
                                                         {keys::AllowPlainPassword, "1"},
                                                         {keys::FromEMail, "ann@example.com"},
                                                         {keys::ToEMail, "me@example.net"}};
    for (const auto &[key, value] : values)
        settings::SettingsStore().setValue(key, value);

    auto *shell = new RecordingTrayShell;
    MainWindow w({new address::NetworkAddressSource, shell});
    QSignalSpy refreshed(&w, &MainWindow::refreshFinished);
    w.load();
    QVERIFY(refreshed.wait(15000));
    QTRY_COMPARE_WITH_TIMEOUT(shell->balloonTexts(),
                              (QStringList{"IP Internet changed. 127.0.0.1", "E-Mail send ok."}),
                              15000);

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
    QVERIFY(data.contains("\r\n\r\nDate/Time: "));
    QVERIFY(data.endsWith("\r\n" + w.infoText() + "\r\n"));

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
