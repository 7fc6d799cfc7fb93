#pragma once

#include "ConnectionState.h"

#include <QDialog>
#include <array>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tools {

// Reports how the machine reaches the Internet: five yes/no fields and a
// sentence, filled when the user asks.
class ConnectionStateWindow : public QDialog
{
    Q_OBJECT
public:
    using Query = std::function<platform::ConnectionState()>;

    explicit ConnectionStateWindow(QWidget *parent = nullptr,
                                   Query query = platform::queryConnectionState);

private:
    void showConnectionState();

    QLineEdit *m_viaLanEdit;
    QLineEdit *m_viaModemEdit;
    QLineEdit *m_viaProxyEdit;
    QLineEdit *m_onlineEdit;
    QLineEdit *m_rasInstalledEdit;
    QPlainTextEdit *m_descriptionEdit;
    QPushButton *m_queryButton;
    Query m_query;
};

} // namespace tools
