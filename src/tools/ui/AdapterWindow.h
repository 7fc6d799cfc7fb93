#pragma once

#include "AdapterStatusSource.h"

#include <QDialog>
#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tools {

// Lists the hardware (MAC) address of every network adapter, once, when it
// opens; the list is read on a thread of its own, so that a machine with
// very many interfaces does not freeze the window. Its button asks for the
// remote MAC window.
class AdapterWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AdapterWindow(
        QWidget *parent = nullptr,
        std::unique_ptr<platform::AdapterStatusSource> source = platform::systemAdapterSource());
    ~AdapterWindow() override;

signals:
    // The user wants the hardware address of another machine; whoever
    // opened this window opens that one.
    void remoteMacRequested();

private:
    QGroupBox *m_adapterGroup;
    QLabel *m_iconLabel;
    QListWidget *m_adapterList;
    QPushButton *m_remoteMacButton;
};

} // namespace tools
