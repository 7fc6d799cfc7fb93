#include "SystemDialogs.h"

#include <QDir>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

// Each of these needs the ones before it.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

namespace platform::dialogs {

namespace {

const wchar_t *wide(const QString &text)
{
    return text.isEmpty() ? nullptr : reinterpret_cast<const wchar_t *>(text.utf16());
}

QString fromWide(const wchar_t *text, size_t capacity)
{
    return QString::fromWCharArray(text, qsizetype(::wcsnlen(text, capacity)));
}

HWND window(quintptr handle)
{
    return reinterpret_cast<HWND>(handle);
}

Outcome outcomeOf(BOOL accepted)
{
    // A cancel leaves the extended error at 0.
    return {accepted != FALSE, accepted ? 0u : quint32(::CommDlgExtendedError())};
}

COLORREF colorRef(quint32 rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

quint32 rgbOf(COLORREF color)
{
    return quint32(GetRValue(color)) << 16 | quint32(GetGValue(color)) << 8 | GetBValue(color);
}

// Movable memory holding a copy of size bytes of data, as the print dialogs
// take their printer and device settings; nullptr for no data.
HGLOBAL globalCopy(const void *data, size_t size)
{
    HGLOBAL memory = data ? ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size) : nullptr;
    if (void *p = memory ? ::GlobalLock(memory) : nullptr) {
        std::memcpy(p, data, size);
        ::GlobalUnlock(memory);
    }
    return memory;
}

// Names a printer for a dialog to start on: a DEVNAMES block whose driver
// and port are left empty, for the dialog looks the printer up by name.
HGLOBAL devNamesFor(const QString &printer)
{
    if (printer.isEmpty())
        return nullptr;
    constexpr WORD kFirst = sizeof(DEVNAMES) / sizeof(wchar_t);
    std::vector<wchar_t> block(kFirst + size_t(printer.size()) + 3, L'\0');
    auto *names = reinterpret_cast<DEVNAMES *>(block.data());
    names->wDriverOffset = kFirst;
    names->wDeviceOffset = kFirst + 1;
    names->wOutputOffset = WORD(kFirst + 2 + printer.size());
    printer.toWCharArray(block.data() + names->wDeviceOffset);
    return globalCopy(block.data(), block.size() * sizeof(wchar_t));
}

// The printer a DEVNAMES block names; frees the block.
QString takePrinterName(HGLOBAL devNames)
{
    QString name;
    if (const auto *names =
            devNames ? static_cast<const DEVNAMES *>(::GlobalLock(devNames)) : nullptr) {
        const auto *text = reinterpret_cast<const wchar_t *>(names);
        const size_t size = ::GlobalSize(devNames) / sizeof(wchar_t);
        if (names->wDeviceOffset < size)
            name = fromWide(text + names->wDeviceOffset, size - names->wDeviceOffset);
        ::GlobalUnlock(devNames);
    }
    if (devNames)
        ::GlobalFree(devNames);
    return name;
}

// Runs f on the device settings in a DEVMODE block, then frees it.
template <typename F> void takeDevMode(HGLOBAL devMode, F f)
{
    if (const auto *mode =
            devMode ? static_cast<const DEVMODEW *>(::GlobalLock(devMode)) : nullptr) {
        if (::GlobalSize(devMode) >= sizeof(DEVMODEW))
            f(*mode);
        ::GlobalUnlock(devMode);
    }
    if (devMode)
        ::GlobalFree(devMode);
}

} // namespace

Outcome runFileDialog(FileDialog &dialog)
{
    // The system's filter list: description and patterns, each ended by a
    // NUL, and one more NUL after the last pair.
    QString filter;
    for (const auto &[description, patterns] : dialog.filters)
        filter += description + QChar(0) + patterns + QChar(0);
    filter += QChar(0);
    // The name field holds a path of up to 260 characters. Several files
    // come back in one buffer, as their folder and then each name, which
    // needs more room.
    const bool several = dialog.flags & OFN_ALLOWMULTISELECT;
    std::vector<wchar_t> file(several ? 32768 : MAX_PATH, L'\0');
    QDir::toNativeSeparators(dialog.fileName).left(MAX_PATH - 1).toWCharArray(file.data());
    std::vector<wchar_t> title(MAX_PATH, L'\0');
    const QString initialDir = QDir::toNativeSeparators(dialog.initialDir);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window(dialog.owner);
    ofn.lpstrFilter = dialog.filters.isEmpty() ? nullptr : wide(filter);
    ofn.nFilterIndex = DWORD(std::max(0, dialog.filterIndex));
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrFileTitle = title.data();
    ofn.nMaxFileTitle = DWORD(title.size());
    ofn.lpstrInitialDir = wide(initialDir);
    ofn.lpstrTitle = wide(dialog.title);
    ofn.lpstrDefExt = wide(dialog.defaultExt);
    // The Explorer-style dialog: the one users know, and the one that
    // returns several files in the form read below.
    ofn.Flags = (dialog.flags & ~DWORD(OFN_ENABLEHOOK | OFN_ENABLETEMPLATE |
                                       OFN_ENABLETEMPLATEHANDLE | OFN_EXPLORER)) |
                OFN_EXPLORER;
    // The dialog moves the process into each folder the user visits; back
    // where it was afterwards, so that no such folder stays held (it could
    // not be removed while it is a process's working folder).
    std::vector<wchar_t> workingDir(::GetCurrentDirectoryW(0, nullptr) + 1, L'\0');
    ::GetCurrentDirectoryW(DWORD(workingDir.size()), workingDir.data());
    const Outcome outcome =
        outcomeOf(dialog.save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn));
    ::SetCurrentDirectoryW(workingDir.data());
    dialog.fileNames.clear();
    dialog.fileTitle.clear();
    if (!outcome.accepted)
        return outcome;

    // One file is its full path; several are the folder, then the names,
    // each ended by a NUL and the list by one more.
    QStringList parts;
    for (size_t at = 0; at < file.size() && file[at] != L'\0';) {
        parts << fromWide(file.data() + at, file.size() - at);
        at += size_t(parts.last().size()) + 1;
    }
    if (parts.size() == 1) {
        dialog.fileNames = parts;
    } else {
        const QString folder = parts.takeFirst();
        const QString separator = folder.endsWith(u'\\') ? QString() : QStringLiteral("\\");
        for (const QString &name : std::as_const(parts))
            dialog.fileNames << folder + separator + name;
    }
    dialog.fileTitle = fromWide(title.data(), title.size());
    dialog.filterIndex = int(ofn.nFilterIndex);
    dialog.flags = ofn.Flags & ~DWORD(OFN_EXPLORER);
    return outcome;
}

quint32 systemColor(int index)
{
    return rgbOf(::GetSysColor(index));
}

Outcome runColorDialog(ColorDialog &dialog)
{
    COLORREF custom[16];
    for (size_t i = 0; i < 16; ++i)
        custom[i] = colorRef(dialog.customColors[i]);
    CHOOSECOLORW cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = window(dialog.owner);
    cc.rgbResult = colorRef(dialog.rgb);
    cc.lpCustColors = custom;
    cc.Flags = (dialog.flags & ~DWORD(CC_ENABLEHOOK | CC_ENABLETEMPLATE | CC_ENABLETEMPLATEHANDLE |
                                      CC_ANYCOLOR | CC_SOLIDCOLOR)) |
               CC_RGBINIT | (dialog.anyColor ? CC_ANYCOLOR : CC_SOLIDCOLOR) |
               (dialog.fullOpen ? CC_FULLOPEN : 0) |
               (dialog.preventFullOpen ? CC_PREVENTFULLOPEN : 0);
    const Outcome outcome = outcomeOf(::ChooseColorW(&cc));
    for (size_t i = 0; i < 16; ++i)
        dialog.customColors[i] = rgbOf(custom[i]);
    if (outcome.accepted)
        dialog.rgb = rgbOf(cc.rgbResult);
    return outcome;
}

Outcome runFontDialog(FontDialog &dialog)
{
    // Sizes are points to the user and pixels of the screen to the font.
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(dialog.pointSizeTenths, dpi, 720);
    font.lfWeight = dialog.weight;
    font.lfItalic = dialog.italic;
    font.lfUnderline = dialog.underline;
    font.lfStrikeOut = dialog.strikeOut;
    font.lfCharSet = DEFAULT_CHARSET;
    dialog.family.left(LF_FACESIZE - 1).toWCharArray(font.lfFaceName);

    CHOOSEFONTW cf = {};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = window(dialog.owner);
    cf.lpLogFont = &font;
    // Screen fonts with their effects (colour, underline, strike-out).
    cf.Flags = (dialog.flags & ~DWORD(CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_ENABLETEMPLATEHANDLE |
                                      CF_PRINTERFONTS)) |
               CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    cf.rgbColors = colorRef(dialog.rgb);
    cf.nSizeMin = dialog.minSize;
    cf.nSizeMax = dialog.maxSize;
    const Outcome outcome = outcomeOf(::ChooseFontW(&cf));
    if (outcome.accepted) {
        dialog.family = fromWide(font.lfFaceName, LF_FACESIZE);
        dialog.pointSizeTenths = cf.iPointSize;
        dialog.weight = int(font.lfWeight);
        dialog.italic = font.lfItalic;
        dialog.underline = font.lfUnderline;
        dialog.strikeOut = font.lfStrikeOut;
        dialog.rgb = rgbOf(cf.rgbColors);
    }
    return outcome;
}

Outcome runPrintDialog(PrintDialog &dialog)
{
    constexpr DWORD kRanges[] = {PD_ALLPAGES, PD_SELECTION, PD_PAGENUMS, PD_CURRENTPAGE};
    PRINTDLGW pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = window(dialog.owner);
    pd.hDevNames = devNamesFor(dialog.printerName);
    // No device context: the choices are all the caller gets.
    pd.Flags =
        (dialog.flags & ~DWORD(PD_ENABLEPRINTHOOK | PD_ENABLESETUPHOOK | PD_ENABLEPRINTTEMPLATE |
                               PD_ENABLESETUPTEMPLATE | PD_ENABLEPRINTTEMPLATEHANDLE |
                               PD_ENABLESETUPTEMPLATEHANDLE | PD_RETURNDC | PD_RETURNIC |
                               PD_SELECTION | PD_PAGENUMS | PD_CURRENTPAGE)) |
        kRanges[dialog.range] | (dialog.disableSelection ? PD_NOSELECTION : 0) |
        (dialog.disablePageNumbers ? PD_NOPAGENUMS : 0) | (dialog.collate ? PD_COLLATE : 0) |
        (dialog.printToFile ? PD_PRINTTOFILE : 0) |
        (dialog.disablePrintToFile ? PD_DISABLEPRINTTOFILE : 0) |
        (dialog.showPrintToFile ? 0 : PD_HIDEPRINTTOFILE) |
        (dialog.preventWarning ? PD_NOWARNING : 0);
    pd.nFromPage = WORD(std::clamp(dialog.fromPage, 0, 0xFFFF));
    pd.nToPage = WORD(std::clamp(dialog.toPage, 0, 0xFFFF));
    pd.nMinPage = std::min<WORD>(1, pd.nFromPage);
    pd.nMaxPage = 0xFFFF;
    pd.nCopies = WORD(std::clamp(dialog.copies, 1, 0xFFFF));
    const Outcome outcome = outcomeOf(::PrintDlgW(&pd));
    const QString printer = takePrinterName(pd.hDevNames);
    int copies = pd.nCopies;
    bool collate = pd.Flags & PD_COLLATE;
    // A printer that makes the copies itself has them in its settings.
    takeDevMode(pd.hDevMode, [&](const DEVMODEW &mode) {
        if (mode.dmFields & DM_COPIES)
            copies = std::max<int>(copies, mode.dmCopies);
        if (mode.dmFields & DM_COLLATE)
            collate = collate || mode.dmCollate == DMCOLLATE_TRUE;
    });
    if (!outcome.accepted)
        return outcome;
    dialog.printerName = printer;
    dialog.range = pd.Flags & PD_SELECTION     ? PrintDialog::Selection
                   : pd.Flags & PD_PAGENUMS    ? PrintDialog::PageRange
                   : pd.Flags & PD_CURRENTPAGE ? PrintDialog::CurrentPage
                                               : PrintDialog::AllPages;
    dialog.fromPage = pd.nFromPage;
    dialog.toPage = pd.nToPage;
    dialog.copies = copies;
    dialog.collate = collate;
    dialog.printToFile = pd.Flags & PD_PRINTTOFILE;
    return outcome;
}

Outcome runPageSetupDialog(PageSetupDialog &dialog)
{
    PAGESETUPDLGW psd = {};
    psd.lStructSize = sizeof psd;
    psd.hwndOwner = window(dialog.owner);
    psd.hDevNames = devNamesFor(dialog.printerName);
    // The paper, orientation and quality to start from, on the named
    // printer (or the default one).
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    dialog.printerName.left(CCHDEVICENAME - 1).toWCharArray(mode.dmDeviceName);
    mode.dmFields = DM_ORIENTATION;
    mode.dmOrientation = dialog.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (dialog.paperSize > 0) {
        mode.dmFields |= DM_PAPERSIZE;
        mode.dmPaperSize = short(dialog.paperSize);
    }
    if (dialog.printQuality > 0) {
        mode.dmFields |= DM_PRINTQUALITY;
        mode.dmPrintQuality = short(dialog.printQuality);
    }
    psd.hDevMode = globalCopy(&mode, sizeof mode);
    psd.Flags = (dialog.flags & ~DWORD(PSD_ENABLEPAGESETUPHOOK | PSD_ENABLEPAGESETUPTEMPLATE |
                                       PSD_ENABLEPAGESETUPTEMPLATEHANDLE | PSD_ENABLEPAGEPAINTHOOK |
                                       PSD_RETURNDEFAULT | PSD_INTHOUSANDTHSOFINCHES |
                                       PSD_INHUNDREDTHSOFMILLIMETERS)) |
                PSD_MARGINS | PSD_MINMARGINS |
                (dialog.inches ? PSD_INTHOUSANDTHSOFINCHES : PSD_INHUNDREDTHSOFMILLIMETERS) |
                (dialog.disableMargins ? PSD_DISABLEMARGINS : 0) |
                (dialog.disableOrientation ? PSD_DISABLEORIENTATION : 0) |
                (dialog.disablePaper ? PSD_DISABLEPAPER : 0) |
                (dialog.disablePrinter ? PSD_DISABLEPRINTER : 0);
    psd.rtMargin = {dialog.margins[0], dialog.margins[1], dialog.margins[2], dialog.margins[3]};
    psd.rtMinMargin = {dialog.minMargins[0], dialog.minMargins[1], dialog.minMargins[2],
                       dialog.minMargins[3]};
    const Outcome outcome = outcomeOf(::PageSetupDlgW(&psd));
    const QString printer = takePrinterName(psd.hDevNames);
    PageSetupDialog chosen = dialog;
    takeDevMode(psd.hDevMode, [&chosen](const DEVMODEW &m) {
        if (m.dmFields & DM_ORIENTATION)
            chosen.landscape = m.dmOrientation == DMORIENT_LANDSCAPE;
        if (m.dmFields & DM_PAPERSIZE)
            chosen.paperSize = m.dmPaperSize;
        if (m.dmFields & DM_PRINTQUALITY)
            chosen.printQuality = m.dmPrintQuality;
    });
    if (!outcome.accepted)
        return outcome;
    chosen.printerName = printer;
    chosen.margins = {int(psd.rtMargin.left), int(psd.rtMargin.top), int(psd.rtMargin.right),
                      int(psd.rtMargin.bottom)};
    dialog = chosen;
    return outcome;
}

} // namespace platform::dialogs
