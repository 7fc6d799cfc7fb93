// The print plug-in: Qt's print and page-setup dialogs, which bring the
// print support library (and the printing system's) with them. Loaded when
// one of the dialogs is first opened.
#include "PrintDialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

void choosePrinter(QPrinter &printer, const QString &name)
{
    if (!name.isEmpty())
        printer.setPrinterName(name);
}

} // namespace

class PrintDialogsPlugin : public QObject, public settings::PrintDialogs
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuorvelPrintDialogs_iid)
    Q_INTERFACES(settings::PrintDialogs)
public:
    bool printDialog(settings::PrintRequest &request) override
    {
        QPrinter printer;
        choosePrinter(printer, request.printerName);
        printer.setCopyCount(request.copies);
        printer.setCollateCopies(request.collate);
        printer.setFromTo(request.fromPage, request.toPage);
        printer.setPrintRange(QPrinter::PrintRange(int(request.range)));
        // A printer writing a file is what the dialog shows as "print to
        // file".
        if (request.printToFile)
            printer.setOutputFormat(QPrinter::PdfFormat);

        QPrintDialog dialog(&printer, request.owner);
        dialog.setObjectName(QStringLiteral("commonPrintDialog"));
        QAbstractPrintDialog::PrintDialogOptions options =
            QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies;
        if (!request.disablePageNumbers)
            options |= QAbstractPrintDialog::PrintPageRange;
        if (!request.disableSelection)
            options |= QAbstractPrintDialog::PrintSelection;
        if (request.showPrintToFile && !request.disablePrintToFile)
            options |= QAbstractPrintDialog::PrintToFile;
        dialog.setOptions(options);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        request.printerName = printer.printerName();
        request.range = settings::PrintRange(int(printer.printRange()));
        request.fromPage = printer.fromPage();
        request.toPage = printer.toPage();
        request.copies = printer.copyCount();
        request.collate = printer.collateCopies();
        request.outputFileName = printer.outputFileName();
        request.printToFile = !request.outputFileName.isEmpty();
        return true;
    }

    bool pageSetupDialog(settings::PageSetupRequest &request) override
    {
        QPrinter printer;
        choosePrinter(printer, request.printerName);
        printer.setPageLayout(QPageLayout(QPageSize(request.paperSize), request.orientation,
                                          request.margins, request.units, request.minMargins));
        if (request.printQuality > 0)
            printer.setResolution(request.printQuality);

        QPageSetupDialog dialog(&printer, request.owner);
        dialog.setObjectName(QStringLiteral("commonPageSetupDialog"));
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QPageLayout chosen = printer.pageLayout();
        request.printerName = printer.printerName();
        request.margins = chosen.margins(request.units);
        request.paperSize = chosen.pageSize().id();
        request.orientation = chosen.orientation();
        request.printQuality = printer.resolution();
        return true;
    }
};

#include "PrintDialogsPlugin.moc"
