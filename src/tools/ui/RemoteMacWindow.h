#pragma once

#include "RemoteMac.h"

#include <QDialog>
#include <QFutureWatcher>

class QLineEdit;
class QPushButton;

namespace tools {

// Finds the hardware (MAC) address of another machine on the local network
// by ARP. The question runs on a worker thread: the window stays usable and
// its button waits until the answer is in.
class RemoteMacWindow : public QDialog
{
    Q_OBJECT
public:
    explicit RemoteMacWindow(QWidget *parent = nullptr, ArpFunction arp = systemArp);

private:
    void queryRemoteMac();
    void showResult(const QString &text);

    QLineEdit *m_addressEdit;
    QLineEdit *m_macEdit;
    QPushButton *m_queryButton;
    QFutureWatcher<QString> *m_query;
    ArpFunction m_arp;
};

} // namespace tools
