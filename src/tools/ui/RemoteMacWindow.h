#pragma once

#include "RemoteMac.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tools {

// Finds the hardware (MAC) address of another machine on the local network
// by ARP. The question runs on a thread of its own: the window stays usable,
// the result field stays empty and the button waits until the answer is in.
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
    ArpFunction m_arp;
};

} // namespace tools
