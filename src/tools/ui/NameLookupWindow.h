#pragma once

#include "HostLookup.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tools {

// Resolves a host name to its first IPv4 address. The window stays usable
// while the name service works; its button waits until the answer is in.
class NameLookupWindow : public QDialog
{
    Q_OBJECT
public:
    // resolve: the name service (the system's when empty).
    explicit NameLookupWindow(QWidget *parent = nullptr, HostLookup::Resolver resolve = {});

private:
    void resolve();
    void showAddress(const QString &address);

    QGroupBox *m_lookupGroup;
    QLabel *m_iconLabel;
    QLineEdit *m_nameEdit;
    QLineEdit *m_addressEdit;
    QPushButton *m_resolveButton;
    HostLookup *m_lookup;
};

} // namespace tools
