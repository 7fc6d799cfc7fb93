#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tools {

class TraceRoute;

// Traces the route to a host and lists one line per hop as the hops answer.
// Closing the window stops a trace that is still running.
class TraceRouteWindow : public QDialog
{
    Q_OBJECT
public:
    explicit TraceRouteWindow(QWidget *parent = nullptr);

private:
    void startTrace();
    void appendToListing(const QString &text);
    void showOpenError(const QString &message);
    void setListingTabStops();

    QComboBox *m_hostCombo;
    QLineEdit *m_resolvedEdit;
    QCheckBox *m_resolveNamesCheck;
    QLineEdit *m_packetCountEdit;
    QLineEdit *m_charsPerPacketEdit;
    QPushButton *m_traceButton;
    QPlainTextEdit *m_listingEdit;
    QPointer<TraceRoute> m_trace;
};

} // namespace tools
