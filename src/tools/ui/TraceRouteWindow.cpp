#include "TraceRouteWindow.h"

#include "TraceRoute.h"
#include "TraceTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tools {

namespace {

// Well-known public web hosts to pick from; nothing is traced until the
// user presses the button.
const QStringList kDefaultHosts = {QStringLiteral("www.debian.org"),
                                   QStringLiteral("www.kernel.org"), QStringLiteral("www.gnu.org")};

const QString kMessageTitle = QStringLiteral("ZIdov TraceRT Demo");

// Columns of the listing (hop number, time, address, name), in dialog
// units: a quarter of the font's average character width each.
constexpr int kTabStopsDlu[] = {30, 54, 105, 182};

} // namespace

TraceRouteWindow::TraceRouteWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("traceRouteWindow"));
    setWindowTitle(QStringLiteral("Trace Route"));

    auto *top = new QGridLayout;
    auto addRow = [&](int row, const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        top->addWidget(label, row, 0);
        top->addWidget(field, row, 1);
    };
    m_hostCombo = new QComboBox(this);
    m_hostCombo->setObjectName(QStringLiteral("hostCombo"));
    m_hostCombo->setEditable(true);
    m_hostCombo->addItems(kDefaultHosts);
    m_hostCombo->setCurrentIndex(0);
    addRow(0, QStringLiteral("Trace Route:"), m_hostCombo);
    m_resolvedEdit = new QLineEdit(this);
    m_resolvedEdit->setObjectName(QStringLiteral("resolvedEdit"));
    m_resolvedEdit->setReadOnly(true);
    addRow(1, QStringLiteral("Resolved IP:"), m_resolvedEdit);

    auto *specs = new QGroupBox(QStringLiteral("Trace Route Specs"), this);
    specs->setObjectName(QStringLiteral("specsGroup"));
    auto *specsLayout = new QHBoxLayout(specs);
    m_resolveNamesCheck = new QCheckBox(QStringLiteral("Resolve Host IP Addresses"), specs);
    m_resolveNamesCheck->setObjectName(QStringLiteral("resolveNamesCheck"));
    specsLayout->addWidget(m_resolveNamesCheck);
    auto addSpec = [&](const QString &caption, QLineEdit *edit, const char *name) {
        edit->setObjectName(QLatin1String(name));
        edit->setMaximumWidth(fontMetrics().horizontalAdvance(u'0') * 6 + 12);
        auto *label = new QLabel(caption, specs);
        label->setBuddy(edit);
        specsLayout->addWidget(label);
        specsLayout->addWidget(edit);
    };
    m_packetCountEdit = new QLineEdit(QStringLiteral("1"), specs);
    addSpec(QStringLiteral("Number of Packets:"), m_packetCountEdit, "packetCountEdit");
    m_charsPerPacketEdit = new QLineEdit(QString::number(kMinCharsPerPacket), specs);
    addSpec(QStringLiteral("Chars per Packet:"), m_charsPerPacketEdit, "charsPerPacketEdit");

    m_traceButton = new QPushButton(QStringLiteral("Trace"), this);
    m_traceButton->setObjectName(QStringLiteral("traceButton"));
    m_traceButton->setDefault(true);
    auto *specsRow = new QHBoxLayout;
    specsRow->addWidget(specs, 1);
    specsRow->addWidget(m_traceButton, 0, Qt::AlignBottom);

    m_listingEdit = new QPlainTextEdit(this);
    m_listingEdit->setObjectName(QStringLiteral("listingEdit"));
    m_listingEdit->setReadOnly(true);
    m_listingEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_listingEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listingEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setListingTabStops();

    // The listing takes whatever room the window gains or loses.
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(specsRow);
    outer->addWidget(m_listingEdit, 1);
    resize(620, 420);

    connect(m_traceButton, &QPushButton::clicked, this, &TraceRouteWindow::startTrace);
}

void TraceRouteWindow::setListingTabStops()
{
    const qreal unit = m_listingEdit->fontMetrics().averageCharWidth() / 4.0;
    QList<QTextOption::Tab> tabs;
    for (int dlu : kTabStopsDlu)
        tabs.append(QTextOption::Tab(dlu * unit, QTextOption::LeftTab));
    QTextOption option = m_listingEdit->document()->defaultTextOption();
    option.setTabs(tabs);
    m_listingEdit->document()->setDefaultTextOption(option);
}

void TraceRouteWindow::startTrace()
{
    if (m_trace)
        return;
    m_traceButton->setEnabled(false);
    m_resolvedEdit->clear();
    m_packetCountEdit->setText(QStringLiteral("1"));
    m_listingEdit->clear();
    const CharsPerPacket chars = clampCharsPerPacket(m_charsPerPacketEdit->text());
    m_charsPerPacketEdit->setText(chars.shown);

    m_trace = new TraceRoute(this);
    connect(m_trace, &TraceRoute::resolved, m_resolvedEdit, &QLineEdit::setText);
    connect(m_trace, &TraceRoute::textAdded, this, &TraceRouteWindow::appendToListing);
    connect(m_trace, &TraceRoute::openFailed, this, &TraceRouteWindow::showOpenError);
    connect(m_trace, &TraceRoute::finished, this, [this] {
        m_trace->deleteLater();
        m_trace = nullptr;
        m_traceButton->setEnabled(true);
    });
    TraceRoute::Options options;
    options.host = m_hostCombo->currentText();
    options.charsPerPacket = chars.count;
    options.resolveNames = m_resolveNamesCheck->isChecked();
    m_trace->start(options);
}

void TraceRouteWindow::appendToListing(const QString &text)
{
    // A CR LF would make two paragraphs here; the box has one per line.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_listingEdit->moveCursor(QTextCursor::End);
    m_listingEdit->insertPlainText(lines);
    m_listingEdit->verticalScrollBar()->setValue(m_listingEdit->verticalScrollBar()->maximum());
}

void TraceRouteWindow::showOpenError(const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, kMessageTitle,
                                QStringLiteral("Unable to Open an Icmp File Handle"),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("openErrorBox"));
    box->setInformativeText(message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace tools

// Compiled here, not with the other classes of the library, so that programs
// without windows do not pull in the widget libraries.
#include "moc_TraceRouteWindow.cpp"
