#include "CommonDialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QPalette>

#ifdef Q_OS_WIN
#include "SystemDialogs.h"

#include <QDir>
#include <QFontInfo>
#include <QWidget>
#else
#include "PluginLoader.h"
#endif
// The toolkit's dialogs, where this build of it has them (the Windows one
// leaves them out: there the system's own are shown).
#if QT_CONFIG(filedialog)
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#endif
#if QT_CONFIG(colordialog)
#include <QColorDialog>
#endif
#if QT_CONFIG(fontdialog)
#include <QFontDialog>
#endif

namespace settings {

namespace {

struct FilterPair
{
    QString description;
    QString patterns;
    // What the toolkit's dialog takes: the patterns in parentheses at the
    // end, which it hides again (HideNameFilterDetails), so the list shows
    // the description exactly as given.
    QString nameFilter() const
    {
        return description + QStringLiteral(" (") + QString(patterns).replace(u';', u' ') + u')';
    }
};

QList<FilterPair> parseFilter(const QString &filter)
{
    QStringList parts;
    QString part;
    for (const QChar c : filter) {
        if (c == u'|' || c == u':') {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    QList<FilterPair> pairs;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i].isEmpty() || !parts[i + 1].isEmpty())
            pairs.append({parts[i], parts[i + 1].trimmed()});
    return pairs;
}

// The desktop's own colours in the order the custom table has always been
// filled from: scroll bar, desktop, active and inactive caption, menu,
// window, frame, menu text, window text, caption text, active and inactive
// border, workspace, highlight, highlighted text, button face.
QColor desktopColor(int index)
{
#ifdef Q_OS_WIN
    return QColor::fromRgb(platform::dialogs::systemColor(index));
#else
    static constexpr QPalette::ColorRole kRoles[16] = {QPalette::Button,
                                                       QPalette::Window,
                                                       QPalette::Highlight,
                                                       QPalette::Mid,
                                                       QPalette::Window,
                                                       QPalette::Base,
                                                       QPalette::Shadow,
                                                       QPalette::WindowText,
                                                       QPalette::Text,
                                                       QPalette::HighlightedText,
                                                       QPalette::Light,
                                                       QPalette::Midlight,
                                                       QPalette::Dark,
                                                       QPalette::Highlight,
                                                       QPalette::HighlightedText,
                                                       QPalette::Button};
    return QGuiApplication::palette().color(kRoles[index]);
#endif
}

#ifdef Q_OS_WIN
quintptr nativeOwner(QWidget *owner)
{
    return owner ? quintptr(owner->window()->winId()) : 0;
}

quint32 rgbOf(const QColor &color)
{
    return color.isValid() ? color.rgb() & 0xFFFFFF : 0;
}

// Millimetres in one unit of a page layout.
double millimetresPer(QPageLayout::Unit unit)
{
    switch (unit) {
    case QPageLayout::Millimeter:
        return 1;
    case QPageLayout::Point:
        return 25.4 / 72;
    case QPageLayout::Inch:
        return 25.4;
    case QPageLayout::Pica:
        return 25.4 / 6;
    case QPageLayout::Didot:
        return 0.375972;
    case QPageLayout::Cicero:
        return 4.511664;
    }
    return 1;
}
#endif

} // namespace

bool CommonDialog::begin()
{
    m_lastResult = 0;
    m_extendedError = NoError;
    m_errorString.clear();
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        m_extendedError = InitializationError;
        return false;
    }
    return true;
}

bool CommonDialog::getOpenFileName(FileRequest &request)
{
    return runFileDialog(request, false);
}

bool CommonDialog::getSaveFileName(FileRequest &request)
{
    return runFileDialog(request, true);
}

bool CommonDialog::runFileDialog(FileRequest &request, bool save)
{
    const auto flagIf = [](bool on, FileFlag flag) { return on ? quint32(flag) : 0u; };
    quint32 flags = request.flags & ~quint32(EnableHook | EnableTemplate);
    if (save) {
        flags |= HideReadOnly | flagIf(request.overwritePrompt, OverwritePrompt);
    } else {
        flags |= flagIf(request.fileMustExist, FileMustExist) |
                 flagIf(request.multiSelect, AllowMultiSelect) |
                 flagIf(request.readOnly, ReadOnly) | flagIf(request.hideReadOnly, HideReadOnly);
    }
    const QList<FilterPair> filters = parseFilter(request.filter);

    const auto fail = [&] {
        request.fileName.clear();
        request.fileNames.clear();
        request.fileTitle.clear();
        request.filter.clear();
        request.flags = 0;
        request.filterIndex = -1;
        return false;
    };
    if (!begin())
        return fail();

#ifdef Q_OS_WIN
    // The system's own dialog, as every other program on the desktop shows.
    platform::dialogs::FileDialog dialog;
    dialog.save = save;
    for (const FilterPair &f : filters)
        dialog.filters.append({f.description, f.patterns});
    dialog.filterIndex = request.filterIndex;
    dialog.fileName = request.fileName;
    dialog.initialDir = request.initialDir;
    dialog.title = request.title;
    dialog.defaultExt = request.defaultExt;
    dialog.owner = nativeOwner(request.owner);
    dialog.flags = flags;
    const platform::dialogs::Outcome outcome = platform::dialogs::runFileDialog(dialog);
    if (!outcome.accepted || dialog.fileNames.isEmpty()) {
        m_extendedError = outcome.error;
        return fail();
    }
    request.fileNames = dialog.fileNames;
    request.fileTitle = dialog.fileTitle;
    request.filterIndex = dialog.filterIndex;
    // Windows reports another extension than the default one itself, Wine
    // does not: the same rule here makes both say it.
    flags = dialog.flags & ~quint32(ExtensionDifferent);
    const QString folder = QDir::toNativeSeparators(QFileInfo(dialog.fileNames.first()).path());
#elif QT_CONFIG(filedialog)
    // The toolkit's own dialog on every desktop: it alone can carry the
    // "read-only" box, and it behaves the same everywhere.
    QFileDialog dialog(request.owner, request.title, request.initialDir);
    dialog.setObjectName(QStringLiteral("commonFileDialog"));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (flags & AllowMultiSelect)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode((flags & FileMustExist) ? QFileDialog::ExistingFile
                                                   : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(flags & OverwritePrompt));
    dialog.setDefaultSuffix(request.defaultExt);
    QStringList nameFilters;
    for (const FilterPair &f : filters)
        nameFilters << f.nameFilter();
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= nameFilters.size()
                              ? request.filterIndex
                              : 1;
        dialog.selectNameFilter(nameFilters[index - 1]);
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);

    QCheckBox *readOnlyBox = nullptr;
    if (!(flags & HideReadOnly)) {
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
            readOnlyBox = new QCheckBox(QStringLiteral("Open as &read-only"), &dialog);
            readOnlyBox->setObjectName(QStringLiteral("readOnlyCheckBox"));
            readOnlyBox->setChecked(flags & ReadOnly);
            grid->addWidget(readOnlyBox, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return fail();

    request.fileNames = dialog.selectedFiles();
    // The dialog names the chosen filter in full or, with its details
    // hidden, by the description alone.
    const QString selected = dialog.selectedNameFilter();
    request.filterIndex = 0;
    for (qsizetype i = 0; i < filters.size() && request.filterIndex == 0; ++i)
        if (selected == nameFilters[i] || selected == filters[i].description.trimmed())
            request.filterIndex = int(i) + 1;
    flags &= ~quint32(ReadOnly | ExtensionDifferent);
    if (readOnlyBox && readOnlyBox->isChecked())
        flags |= ReadOnly;
    const QString folder = QFileInfo(request.fileNames.first()).absolutePath();
    request.fileTitle =
        fileTitle(request.fileNames.size() == 1 ? request.fileNames.first() : folder);
#else
    m_extendedError = InitializationError;
    return fail();
#endif

    m_lastResult = 1;
    // Several files come back as their folder, the way this call always
    // reported them; fileNames holds each of them.
    request.fileName = request.fileNames.size() == 1 ? request.fileNames.first() : folder;
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
        const FilterPair &chosen = filters[request.filterIndex - 1];
        request.filter = chosen.description + u'|' + chosen.patterns;
    } else {
        request.filter.clear();
    }
    if (!request.defaultExt.isEmpty() &&
        QFileInfo(request.fileNames.first())
                .suffix()
                .compare(request.defaultExt, Qt::CaseInsensitive) != 0)
        flags |= ExtensionDifferent;
    request.readOnly = flags & ReadOnly;
    request.flags = flags;
    return true;
}

QString CommonDialog::fileTitle(const QString &path)
{
    return QFileInfo(path).fileName();
}

bool CommonDialog::chooseColor(ColorRequest &request)
{
    if (!begin()) {
        request.color = QColor();
        return false;
    }
#ifdef Q_OS_WIN
    platform::dialogs::ColorDialog dialog;
    dialog.rgb = rgbOf(request.color.isValid() ? request.color : QColor(Qt::white));
    dialog.anyColor = request.anyColor;
    dialog.fullOpen = request.fullOpen;
    dialog.preventFullOpen = request.disableFullOpen;
    for (int i = 0; i < 16; ++i)
        dialog.customColors[size_t(i)] = rgbOf(customColor(i));
    dialog.owner = nativeOwner(request.owner);
    dialog.flags = request.flags;
    const platform::dialogs::Outcome outcome = platform::dialogs::runColorDialog(dialog);
    for (int i = 0; i < 16; ++i)
        m_customColors[size_t(i)] = QColor::fromRgb(dialog.customColors[size_t(i)]);
    m_extendedError = outcome.error;
    const bool ok = outcome.accepted;
    request.color = ok ? QColor::fromRgb(dialog.rgb) : QColor();
#elif QT_CONFIG(colordialog)
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, customColor(i));
    QColorDialog dialog(request.color.isValid() ? request.color : QColor(Qt::white), request.owner);
    dialog.setObjectName(QStringLiteral("commonColorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool ok = dialog.exec() == QDialog::Accepted;
    // The user may have changed the custom colours either way.
    for (int i = 0; i < 16; ++i)
        m_customColors[size_t(i)] = QColorDialog::customColor(i);
    request.color = ok ? dialog.selectedColor() : QColor();
#else
    m_extendedError = InitializationError;
    const bool ok = false;
    request.color = QColor();
#endif
    m_lastResult = ok ? 1 : 0;
    return ok;
}

QColor CommonDialog::customColor(int index)
{
    if (index < 0 || index >= 16)
        return QColor();
    if (!m_customColorsSet) {
        for (int i = 0; i < 16; ++i)
            m_customColors[size_t(i)] = desktopColor(i);
        m_customColorsSet = true;
    }
    return m_customColors[size_t(index)];
}

void CommonDialog::setCustomColor(int index, const QColor &color)
{
    if (index < 0 || index >= 16)
        return;
    customColor(0); // the rest of the table starts from the desktop's colours
    m_customColors[size_t(index)] = color;
}

bool CommonDialog::chooseFont(FontRequest &request)
{
    if (!begin())
        return false;
#ifdef Q_OS_WIN
    platform::dialogs::FontDialog dialog;
    const QFontInfo shown(request.font);
    dialog.family = shown.family();
    dialog.pointSizeTenths = qRound(shown.pointSizeF() * 10);
    dialog.weight = shown.weight();
    dialog.italic = shown.italic();
    dialog.underline = request.font.underline();
    dialog.strikeOut = request.font.strikeOut();
    dialog.rgb = rgbOf(request.color);
    dialog.minSize = request.minSize;
    dialog.maxSize = request.maxSize;
    dialog.owner = nativeOwner(request.owner);
    dialog.flags = request.flags;
    const platform::dialogs::Outcome outcome = platform::dialogs::runFontDialog(dialog);
    m_extendedError = outcome.error;
    if (!outcome.accepted)
        return false;
    QFont font(dialog.family);
    font.setPointSizeF(dialog.pointSizeTenths / 10.0);
    font.setWeight(QFont::Weight(std::clamp(dialog.weight, 100, 900)));
    font.setItalic(dialog.italic);
    font.setUnderline(dialog.underline);
    font.setStrikeOut(dialog.strikeOut);
    request.color = QColor::fromRgb(dialog.rgb);
#elif QT_CONFIG(fontdialog)
    QFontDialog dialog(request.font, request.owner);
    dialog.setObjectName(QStringLiteral("commonFontDialog"));
    QFontDialog::FontDialogOptions options = QFontDialog::DontUseNativeDialog;
    if (request.flags & FixedPitchOnly)
        options |= QFontDialog::MonospacedFonts;
    if (request.flags & ScalableOnly)
        options |= QFontDialog::ScalableFonts;
    dialog.setOptions(options);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QFont font = dialog.selectedFont();
    if ((request.flags & LimitSize) && request.maxSize >= request.minSize && request.minSize > 0 &&
        font.pointSize() > 0)
        font.setPointSize(std::clamp(font.pointSize(), request.minSize, request.maxSize));
#else
    m_extendedError = InitializationError;
    return false;
#endif
    request.font = font;
    m_lastResult = 1;
    return true;
}

#ifdef Q_OS_WIN

bool CommonDialog::printDialog(PrintRequest &request)
{
    if (!begin())
        return false;
    platform::dialogs::PrintDialog dialog;
    dialog.printerName = request.printerName;
    dialog.range = platform::dialogs::PrintDialog::Range(request.range);
    dialog.fromPage = request.fromPage;
    dialog.toPage = request.toPage;
    dialog.copies = request.copies;
    dialog.printToFile = request.printToFile;
    dialog.collate = request.collate;
    dialog.disablePageNumbers = request.disablePageNumbers;
    dialog.disableSelection = request.disableSelection;
    dialog.showPrintToFile = request.showPrintToFile;
    dialog.disablePrintToFile = request.disablePrintToFile;
    dialog.preventWarning = request.preventWarning;
    dialog.owner = nativeOwner(request.owner);
    dialog.flags = request.flags;
    const platform::dialogs::Outcome outcome = platform::dialogs::runPrintDialog(dialog);
    m_extendedError = outcome.error;
    if (!outcome.accepted)
        return false;
    request.printerName = dialog.printerName;
    request.range = PrintRange(dialog.range);
    request.fromPage = dialog.fromPage;
    request.toPage = dialog.toPage;
    request.copies = dialog.copies;
    request.printToFile = dialog.printToFile;
    request.collate = dialog.collate;
    m_lastResult = 1;
    return true;
}

bool CommonDialog::pageSetupDialog(PageSetupRequest &request)
{
    if (!begin())
        return false;
    // The dialog knows thousandths of an inch and hundredths of a
    // millimetre; every other unit goes through millimetres.
    const bool inches = request.units == QPageLayout::Inch;
    const double perUnit = inches ? 1000 : 100 * millimetresPer(request.units);
    const auto toDialog = [perUnit](const QMarginsF &m) {
        return std::array<int, 4>{qRound(m.left() * perUnit), qRound(m.top() * perUnit),
                                  qRound(m.right() * perUnit), qRound(m.bottom() * perUnit)};
    };
    platform::dialogs::PageSetupDialog dialog;
    dialog.printerName = request.printerName;
    dialog.margins = toDialog(request.margins);
    dialog.minMargins = toDialog(request.minMargins);
    dialog.inches = inches;
    dialog.paperSize = QPageSize(request.paperSize).windowsId();
    dialog.landscape = request.orientation == QPageLayout::Landscape;
    dialog.printQuality = request.printQuality;
    dialog.disableMargins = request.disableMargins;
    dialog.disableOrientation = request.disableOrientation;
    dialog.disablePaper = request.disablePaper;
    dialog.disablePrinter = request.disablePrinter;
    dialog.owner = nativeOwner(request.owner);
    dialog.flags = request.flags;
    const platform::dialogs::Outcome outcome = platform::dialogs::runPageSetupDialog(dialog);
    m_extendedError = outcome.error;
    if (!outcome.accepted)
        return false;
    request.printerName = dialog.printerName;
    const auto &m = dialog.margins;
    request.margins = QMarginsF(m[0], m[1], m[2], m[3]) / perUnit;
    request.paperSize = QPageSize::id(dialog.paperSize);
    request.orientation = dialog.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    request.printQuality = dialog.printQuality;
    m_lastResult = 1;
    return true;
}

#else

PrintDialogs *CommonDialog::printDialogs()
{
    QString error;
    auto *dialogs = platform::loadPlugin<PrintDialogs>(QStringLiteral("quorvel-print"), &error);
    if (!dialogs) {
        m_extendedError = PrintDialogsMissing;
        m_errorString = QStringLiteral("The print dialogs are not available: ") + error;
    }
    return dialogs;
}

bool CommonDialog::printDialog(PrintRequest &request)
{
    if (!begin())
        return false;
    PrintDialogs *dialogs = printDialogs();
    m_lastResult = dialogs && dialogs->printDialog(request) ? 1 : 0;
    return m_lastResult == 1;
}

bool CommonDialog::pageSetupDialog(PageSetupRequest &request)
{
    if (!begin())
        return false;
    PrintDialogs *dialogs = printDialogs();
    m_lastResult = dialogs && dialogs->pageSetupDialog(request) ? 1 : 0;
    return m_lastResult == 1;
}

#endif

} // namespace settings
