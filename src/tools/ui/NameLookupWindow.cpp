#include "NameLookupWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tools {

NameLookupWindow::NameLookupWindow(QWidget *parent, HostLookup::Resolver resolve)
    : QDialog(parent),
      m_lookupGroup(new QGroupBox(QStringLiteral("Host Domain IP Address Lookup"))),
      m_iconLabel(new QLabel), m_nameEdit(new QLineEdit(QStringLiteral("www.wikipedia.org"))),
      m_addressEdit(new QLineEdit),
      m_resolveButton(new QPushButton(QStringLiteral("Resolve IP Address..."))),
      m_lookup(new HostLookup(this, std::move(resolve)))
{
    setObjectName(QStringLiteral("nameLookupWindow"));
    setWindowTitle(QStringLiteral("IP Address from Domain/Web Address"));
    m_lookupGroup->setObjectName(QStringLiteral("lookupGroup"));
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_addressEdit->setObjectName(QStringLiteral("addressEdit"));
    m_resolveButton->setObjectName(QStringLiteral("resolveButton"));
    m_lookup->setObjectName(QStringLiteral("lookup"));

    m_iconLabel->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
    auto *nameLabel = new QLabel(QStringLiteral("Domain / Web Address:"));
    auto *addressLabel = new QLabel(QStringLiteral("IP Address:"));
    nameLabel->setObjectName(QStringLiteral("nameLabel"));
    addressLabel->setObjectName(QStringLiteral("addressLabel"));
    nameLabel->setBuddy(m_nameEdit);
    addressLabel->setBuddy(m_addressEdit);
    m_nameEdit->setMinimumWidth(300);
    // The result is for reading and copying.
    m_addressEdit->setReadOnly(true);
    m_resolveButton->setDefault(true);

    auto *grid = new QGridLayout(m_lookupGroup);
    grid->addWidget(m_iconLabel, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(nameLabel, 0, 1);
    grid->addWidget(m_nameEdit, 1, 1);
    grid->addWidget(addressLabel, 2, 1);
    grid->addWidget(m_addressEdit, 3, 1);
    grid->addWidget(m_resolveButton, 4, 1, Qt::AlignRight);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(m_lookupGroup);

    connect(m_resolveButton, &QPushButton::clicked, this, &NameLookupWindow::resolve);
    connect(m_lookup, &HostLookup::finished, this, &NameLookupWindow::showAddress);
}

void NameLookupWindow::resolve()
{
    m_resolveButton->setEnabled(false);
    m_lookup->start(m_nameEdit->text());
}

void NameLookupWindow::showAddress(const QString &address)
{
    // A name that does not resolve simply leaves the field empty.
    m_addressEdit->setText(address);
    m_resolveButton->setEnabled(true);
}

} // namespace tools
