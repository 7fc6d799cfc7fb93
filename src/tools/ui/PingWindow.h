#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace platform {
struct EchoReply;
}

namespace tools {

class Pinger;

// Sends one echo request to a dotted address with a text of the user's
// choosing and shows the raw fields of the reply.
class PingWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PingWindow(QWidget *parent = nullptr);

private:
    void ping();
    void showResult(int status, const platform::EchoReply &reply);
    void showOpenError(const QString &message);

    QLineEdit *m_addressEdit;
    QLineEdit *m_dataEdit;
    QPushButton *m_pingButton;
    QLineEdit *m_statusEdit;
    QLineEdit *m_addressDecimalEdit;
    QLineEdit *m_roundTripEdit;
    QLineEdit *m_dataSizeEdit;
    QLineEdit *m_dataReturnedEdit;
    QLineEdit *m_dataPointerEdit;
    Pinger *m_pinger;
};

} // namespace tools
