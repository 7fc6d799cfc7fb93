#include "CommonDialog.h"

#include "PluginLoader.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QPalette>

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
}

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

    m_lastResult = 1;
    request.fileNames = dialog.selectedFiles();
    // Several files come back as their folder, the way this call always
    // reported them; fileNames holds each of them.
    request.fileName = request.fileNames.size() == 1
                           ? request.fileNames.first()
                           : QFileInfo(request.fileNames.first()).absolutePath();
    request.fileTitle = fileTitle(request.fileName);
    // The dialog names the chosen filter in full or, with its details
    // hidden, by the description alone.
    const QString selected = dialog.selectedNameFilter();
    request.filterIndex = 0;
    for (qsizetype i = 0; i < filters.size() && request.filterIndex == 0; ++i)
        if (selected == nameFilters[i] || selected == filters[i].description.trimmed())
            request.filterIndex = int(i) + 1;
    if (request.filterIndex >= 1) {
        const FilterPair &chosen = filters[request.filterIndex - 1];
        request.filter = chosen.description + u'|' + chosen.patterns;
    } else {
        request.filter.clear();
    }
    flags &= ~quint32(ReadOnly | ExtensionDifferent);
    if (readOnlyBox && readOnlyBox->isChecked())
        flags |= ReadOnly;
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
    request.font = font;
    m_lastResult = 1;
    return true;
}

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

} // namespace settings
