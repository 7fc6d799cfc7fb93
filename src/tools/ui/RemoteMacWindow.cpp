#include "RemoteMacWindow.h"

#include "DetachedCall.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools {

RemoteMacWindow::RemoteMacWindow(QWidget *parent, ArpFunction arp)
    : QDialog(parent), m_addressEdit(new QLineEdit(QStringLiteral("192.168.1.1"))),
      m_macEdit(new QLineEdit),
      m_queryButton(new QPushButton(QStringLiteral("Get Remote MAC Address"))),
      m_arp(std::move(arp))
{
    setObjectName(QStringLiteral("remoteMacWindow"));
    setWindowTitle(QStringLiteral("Remote MAC Address"));
    m_addressEdit->setObjectName(QStringLiteral("addressEdit"));
    m_macEdit->setObjectName(QStringLiteral("macEdit"));
    m_queryButton->setObjectName(QStringLiteral("queryButton"));
    m_macEdit->setReadOnly(true);
    m_macEdit->setMinimumWidth(160);
    m_queryButton->setDefault(true);

    auto *addressLabel = new QLabel(QStringLiteral("Remote Machine IP:"));
    auto *macLabel = new QLabel(QStringLiteral("Remote MAC Address:"));
    addressLabel->setObjectName(QStringLiteral("addressLabel"));
    macLabel->setObjectName(QStringLiteral("macLabel"));
    addressLabel->setBuddy(m_addressEdit);
    macLabel->setBuddy(m_macEdit);
    auto *form = new QFormLayout;
    form->addRow(addressLabel, m_addressEdit);
    form->addRow(macLabel, m_macEdit);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addWidget(m_queryButton, 0, Qt::AlignRight);

    connect(m_queryButton, &QPushButton::clicked, this, &RemoteMacWindow::queryRemoteMac);
}

void RemoteMacWindow::queryRemoteMac()
{
    const QString address = m_addressEdit->text();
    if (address.isEmpty())
        return;
    m_queryButton->setEnabled(false);
    // What it showed belongs to the address asked about before.
    m_macEdit->clear();
    // The worker has copies of what it needs: the window may be closed
    // before the answer (at most the ARP time-out) is in.
    DetachedCall::start(
        this, [arp = m_arp, address] { return remoteMacResult(address, arp); },
        [this](const QString &text) { showResult(text); });
}

void RemoteMacWindow::showResult(const QString &text)
{
    m_macEdit->setText(text);
    m_queryButton->setEnabled(true);
}

} // namespace tools
