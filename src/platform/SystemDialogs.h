#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <utility>

// The system's own common dialogs (Windows: the open and save, colour, font,
// print and page-setup dialogs of comdlg32), with plain values in and the
// user's choices out. Where the toolkit's dialogs are the desktop's own
// (Linux) there is no implementation: the program uses the toolkit's.
//
// Each call runs its dialog modally on the calling thread and returns when
// the user has closed it; the thread's other windows go on being served
// meanwhile. Flag words are the system's own values, so callers may pass
// flags of their own through; hooks and templates are never honoured.
namespace platform::dialogs {

struct Outcome
{
    bool accepted = false;
    // Why the dialog failed: the system's extended error; 0 when the user
    // cancelled.
    quint32 error = 0;
};

struct FileDialog
{
    bool save = false;
    // Pairs of description and patterns ("*.wav;*.wave"), in the order shown.
    QList<std::pair<QString, QString>> filters;
    int filterIndex = 1; // in and out: 1 for the first pair
    QString fileName;    // in: shown in the name field
    QString initialDir;
    QString title; // empty: the system's own
    QString defaultExt;
    quintptr owner = 0; // native window handle; 0 for none
    quint32 flags = 0;  // in and out: OFN_ values

    // Out: every chosen file with its folder, as the system writes paths,
    // and the name the first one is shown by.
    QStringList fileNames;
    QString fileTitle;
};
Outcome runFileDialog(FileDialog &dialog);

// Colours as 0xRRGGBB.
struct ColorDialog
{
    quint32 rgb = 0; // in and out
    bool anyColor = true;
    bool fullOpen = false;
    bool preventFullOpen = false;
    std::array<quint32, 16> customColors{}; // in and out: the user may change them
    quintptr owner = 0;
    quint32 flags = 0; // CC_ values
};
Outcome runColorDialog(ColorDialog &dialog);

// The desktop's colour for a display element (COLOR_ index 0 to 30).
quint32 systemColor(int index);

struct FontDialog
{
    // In and out.
    QString family;
    int pointSizeTenths = 0;
    int weight = 400; // 100 (thin) to 900 (black)
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint32 rgb = 0;
    // In: points, honoured with the CF_LIMITSIZE flag.
    int minSize = 0;
    int maxSize = 0;
    quintptr owner = 0;
    quint32 flags = 0; // CF_ values
};
Outcome runFontDialog(FontDialog &dialog);

struct PrintDialog
{
    enum Range
    {
        AllPages,
        Selection,
        PageRange,
        CurrentPage
    };
    // In and out.
    QString printerName; // empty: the default printer
    Range range = AllPages;
    int fromPage = 0;
    int toPage = 0;
    int copies = 1;
    bool printToFile = false;
    bool collate = false;
    // In.
    bool disablePageNumbers = false;
    bool disableSelection = true;
    bool showPrintToFile = true;
    bool disablePrintToFile = false;
    bool preventWarning = false;
    quintptr owner = 0;
    quint32 flags = 0; // PD_ values
};
Outcome runPrintDialog(PrintDialog &dialog);

struct PageSetupDialog
{
    // In and out.
    QString printerName;
    // Left, top, right, bottom, in thousandths of an inch with inches set,
    // else in hundredths of a millimetre.
    std::array<int, 4> margins{};
    int paperSize = 0; // the system's paper number (DMPAPER_), 0 for the printer's
    bool landscape = false;
    int printQuality = 0; // dots per inch, 0 for the printer's
    // In.
    std::array<int, 4> minMargins{};
    bool inches = false;
    bool disableMargins = false;
    bool disableOrientation = false;
    bool disablePaper = false;
    bool disablePrinter = false;
    quintptr owner = 0;
    quint32 flags = 0; // PSD_ values
};
Outcome runPageSetupDialog(PageSetupDialog &dialog);

} // namespace platform::dialogs
