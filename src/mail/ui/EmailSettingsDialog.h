#pragma once

#include "Notification.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mail {

class MailClient;

// Where the notification mail goes and whether it is sent at all. Reads
// its values from the settings when it opens; OK writes them, Cancel and
// the window frame write nothing. "Send Test E-Mail" sends one
// notification with the values as they stand in the dialog. The password
// comes from, and goes to, the secret store where there is one; a line
// under it says when the settings (a file, on Windows the registry) have to
// keep it instead.
class EmailSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    // accountReader finds the default mail account; makeNotification
    // gives the text of a notification about the current addresses.
    EmailSettingsDialog(MailClient *accountReader, std::function<Notification()> makeNotification,
                        QWidget *parent = nullptr);

    // The client that sends the test mail (tests tune its limits).
    MailClient *testClient() const { return m_testClient; }

signals:
    // The test mail's outcome is on display.
    void testFinished(bool success);
    // The password is in its box (secure: from the secret store).
    void passwordLoaded(bool secure);

private:
    void buildControls();
    void loadSettings();
    void useDefaultSettings();
    void saveAndClose();
    void sendTestMail();
    void showTestResult(bool success, const QString &reason);

    QLineEdit *m_serverEdit = nullptr;
    QLineEdit *m_userNameEdit = nullptr;
    QLineEdit *m_passwordEdit = nullptr;
    QLabel *m_passwordStoreLabel = nullptr;
    QLineEdit *m_fromEmailEdit = nullptr;
    QLineEdit *m_toEmailEdit = nullptr;
    QPushButton *m_defaultSettingsButton = nullptr;
    QCheckBox *m_sendMailCheckBox = nullptr;
    QCheckBox *m_requireEncryptionCheckBox = nullptr;
    QCheckBox *m_implicitTlsCheckBox = nullptr;
    QCheckBox *m_allowPlainPasswordCheckBox = nullptr;
    QPushButton *m_sendTestButton = nullptr;
    QLabel *m_testResultLabel = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    MailClient *m_accountReader;
    MailClient *m_testClient;
    std::function<Notification()> m_makeNotification;
    // Until the user decides, these boxes follow the port of the server.
    bool m_encryptionChosen = false;
    bool m_implicitTlsChosen = false;
    bool m_testRunning = false;
    // Until it is, OK must not overwrite the stored password with an empty
    // box (unless the user typed one).
    bool m_passwordLoaded = false;
};

} // namespace mail
