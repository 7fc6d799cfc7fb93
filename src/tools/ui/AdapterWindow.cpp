#include "AdapterWindow.h"

#include "AdapterListing.h"
#include "DetachedCall.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tools {

AdapterWindow::AdapterWindow(QWidget *parent, std::unique_ptr<platform::AdapterStatusSource> source)
    : QDialog(parent), m_adapterGroup(new QGroupBox(QStringLiteral("Adapter bound to NetBios:"))),
      m_iconLabel(new QLabel), m_adapterList(new QListWidget),
      m_remoteMacButton(new QPushButton(QStringLiteral("Get Remote MAC Address...")))
{
    setObjectName(QStringLiteral("adapterWindow"));
    setWindowTitle(QStringLiteral("LAN Enumeration / MAC Address"));
    m_adapterGroup->setObjectName(QStringLiteral("adapterGroup"));
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_adapterList->setObjectName(QStringLiteral("adapterList"));
    m_remoteMacButton->setObjectName(QStringLiteral("remoteMacButton"));

    m_iconLabel->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    m_adapterList->setAccessibleName(m_adapterGroup->title());
    m_adapterList->setMinimumSize(300, 200);
    auto *groupLayout = new QVBoxLayout(m_adapterGroup);
    groupLayout->addWidget(m_adapterList);

    auto *top = new QHBoxLayout;
    top->addWidget(m_iconLabel, 0, Qt::AlignTop);
    top->addWidget(m_adapterGroup, 1);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(m_remoteMacButton, 0, Qt::AlignRight);

    connect(m_remoteMacButton, &QPushButton::clicked, this, &AdapterWindow::remoteMacRequested);
    // The worker owns the source; the window may close before it is done.
    DetachedCall::start(
        this,
        [source = std::shared_ptr<platform::AdapterStatusSource>(std::move(source))] {
            return tools::listAdapters(*source);
        },
        [this](const QStringList &items) { m_adapterList->addItems(items); });
}

AdapterWindow::~AdapterWindow() = default;

} // namespace tools
