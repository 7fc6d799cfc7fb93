#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QtPlugin>

class QWidget;

namespace settings {

// The print and page-setup dialogs, with plain values in and the user's
// choices out. They live in a plug-in (Qt's print support is a library of
// its own that most runs never need), which implements PrintDialogs.

enum class PrintRange
{
    AllPages,
    Selection,
    PageRange,
    CurrentPage
};

struct PrintRequest
{
    QString printerName;    // in and out; empty: the default printer
    QString outputFileName; // out: the file chosen when printing to a file
    PrintRange range = PrintRange::AllPages;
    bool disablePageNumbers = false;
    int fromPage = 0;
    int toPage = 0;
    bool disableSelection = true;
    int copies = 1;
    bool showPrintToFile = true;
    bool disablePrintToFile = false;
    bool printToFile = false;
    bool collate = false;
    bool preventWarning = false;
    QWidget *owner = nullptr;
    quint32 flags = 0;
};

struct PageSetupRequest
{
    QString printerName; // in and out
    QWidget *owner = nullptr;
    // The toolkit's dialog always offers all four; kept for callers.
    bool disableMargins = false;
    bool disableOrientation = false;
    bool disablePaper = false;
    bool disablePrinter = false;
    QMarginsF margins;    // in and out, in units
    QMarginsF minMargins; // in
    QPageSize::PageSizeId paperSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    int printQuality = 0; // dots per inch; 0 keeps the printer's
    QPageLayout::Unit units = QPageLayout::Millimeter;
    quint32 flags = 0;
};

class PrintDialogs
{
public:
    virtual ~PrintDialogs() = default;
    // Run the dialog to its end; true when the user confirmed.
    virtual bool printDialog(PrintRequest &request) = 0;
    virtual bool pageSetupDialog(PageSetupRequest &request) = 0;
};

} // namespace settings

#define QuorvelPrintDialogs_iid "org.quorvel.PrintDialogs/1"
Q_DECLARE_INTERFACE(settings::PrintDialogs, QuorvelPrintDialogs_iid)
