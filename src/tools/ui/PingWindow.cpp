#include "PingWindow.h"

#include "EchoTexts.h"
#include "Pinger.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools {

namespace {

// A public address of a well-known host: only the text the field starts
// with; nothing is sent until the user presses the button.
const QString kDefaultAddress = QStringLiteral("8.8.8.8");
const QString kDefaultData = QStringLiteral("Echo This");

} // namespace

PingWindow::PingWindow(QWidget *parent) : QDialog(parent), m_pinger(new Pinger(this))
{
    setObjectName(QStringLiteral("pingWindow"));
    setWindowTitle(QStringLiteral("Ping by IP Address"));

    auto *group = new QGroupBox(QStringLiteral("Ping..."), this);
    group->setObjectName(QStringLiteral("pingGroup"));
    auto *grid = new QGridLayout(group);

    auto addInput = [&](int row, const QString &caption, QLineEdit *edit, const char *name,
                        int columns) {
        edit->setObjectName(QLatin1String(name));
        auto *label = new QLabel(caption, group);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1, 1, columns);
    };
    m_addressEdit = new QLineEdit(kDefaultAddress, group);
    m_dataEdit = new QLineEdit(kDefaultData, group);
    addInput(0, QStringLiteral("IP Address:"), m_addressEdit, "addressEdit", 1);
    addInput(1, QStringLiteral("Send:"), m_dataEdit, "dataEdit", 1);
    m_pingButton = new QPushButton(QStringLiteral("Ping!"), group);
    m_pingButton->setObjectName(QStringLiteral("pingButton"));
    m_pingButton->setDefault(true);
    grid->addWidget(m_pingButton, 1, 2);

    QLineEdit **results[] = {&m_statusEdit,   &m_addressDecimalEdit, &m_roundTripEdit,
                             &m_dataSizeEdit, &m_dataReturnedEdit,   &m_dataPointerEdit};
    const char *names[] = {"statusEdit",   "addressDecimalEdit", "roundTripEdit",
                           "dataSizeEdit", "dataReturnedEdit",   "dataPointerEdit"};
    for (int i = 0; i < 6; ++i) {
        *results[i] = new QLineEdit(group);
        (*results[i])->setReadOnly(true);
        addInput(2 + i, QString::fromLatin1(kPingFieldLabels[i]), *results[i], names[i], 2);
    }
    m_dataPointerEdit->setToolTip(
        QStringLiteral("Where the echoed data begins in the %1-byte reply record, as a byte "
                       "offset; 0 when no reply came back.")
            .arg(Pinger::kReplyRecordSize));

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(group);
    resize(420, sizeHint().height());

    connect(m_pingButton, &QPushButton::clicked, this, &PingWindow::ping);
    connect(m_pinger, &Pinger::finished, this, &PingWindow::showResult);
    connect(m_pinger, &Pinger::openFailed, this, &PingWindow::showOpenError);
}

void PingWindow::ping()
{
    if (m_pinger->isRunning())
        return;
    m_pingButton->setEnabled(false);
    m_pinger->start(m_addressEdit->text(), m_dataEdit->text().toLocal8Bit());
}

void PingWindow::showResult(int status, const platform::EchoReply &reply)
{
    const PingFields f = pingFields(status, reply);
    m_statusEdit->setText(f.status);
    m_addressDecimalEdit->setText(f.address);
    m_roundTripEdit->setText(f.roundTrip);
    m_dataSizeEdit->setText(f.dataSize);
    if (f.dataReturned)
        m_dataReturnedEdit->setText(*f.dataReturned);
    m_dataPointerEdit->setText(f.dataPointer);
    m_pingButton->setEnabled(true);
}

void PingWindow::showOpenError(const QString &message)
{
    m_pingButton->setEnabled(true);
    // Shown without waiting for it: the window and the tray stay alive.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quorvel"), message,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("openErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace tools

// Compiled here, not with the other classes of the library, so that programs
// without windows do not pull in the widget libraries.
#include "moc_PingWindow.cpp"
