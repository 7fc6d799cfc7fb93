#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <array>

#include "PrintDialogs.h"

class QWidget;

namespace settings {

// The file, colour, font and print dialogs behind one call each, with plain
// arguments in and the user's choices out: on Windows the system's own (the
// ones every program there shows), elsewhere the toolkit's. Each call runs
// its dialog to the end (the event loop keeps running meanwhile) and returns
// whether the user confirmed; a cancelled call clears its outputs.
class CommonDialog
{
public:
    // Flags of the file calls. The values are those the calls have always
    // used, so flags kept from earlier calls keep their meaning.
    enum FileFlag : quint32
    {
        ReadOnly = 0x1,             // in: box ticked; out: the user left it ticked
        OverwritePrompt = 0x2,      // save: ask before replacing a file
        HideReadOnly = 0x4,         // no "read-only" box
        EnableHook = 0x20,          // never honoured (no hooks here)
        EnableTemplate = 0x40,      // never honoured
        AllowMultiSelect = 0x200,   // open: several files
        ExtensionDifferent = 0x400, // out: the extension is not the default one
        FileMustExist = 0x1000,     // open: only existing files
    };
    // Why the last call failed (0 also when the user cancelled).
    enum Error : quint32
    {
        NoError = 0,
        InitializationError = 0x0002, // no graphical session to show a dialog in
        PrintDialogsMissing = 0x1007, // the print plug-in cannot be loaded
    };

    struct FileRequest
    {
        // In: shown in the name field; out: the chosen path, with the
        // system's own separators on Windows.
        QString fileName;
        QStringList fileNames; // out: every chosen path (several with multiSelect)
        QString fileTitle;     // out: the chosen file's name without its folder
        bool fileMustExist = true;
        bool multiSelect = false;
        bool readOnly = false; // in and out: the "read-only" box
        bool hideReadOnly = false;
        bool overwritePrompt = true; // save only
        // Pairs of description and pattern, each part ended by "|" or ":";
        // several patterns of one pair are separated by ";". Out: the pair
        // the user left chosen.
        QString filter = QStringLiteral("All (*.*)|*.*");
        int filterIndex = 1; // 1 for the first pair; out: chosen, -1 on cancel
        QString initialDir;
        QString title; // empty: the dialog's own title
        QString defaultExt;
        QWidget *owner = nullptr;
        quint32 flags = 0; // more FileFlags; out: what the dialog reports
    };
    bool getOpenFileName(FileRequest &request);
    bool getSaveFileName(FileRequest &request);
    // The name a file is shown by; "" for an empty path.
    static QString fileTitle(const QString &path);

    struct ColorRequest
    {
        QColor color; // in: the colour to start from; out: chosen, invalid on cancel
        // Honoured by the system's dialog; the toolkit's always offers any
        // colour in its full form.
        bool anyColor = true;
        bool fullOpen = false;
        bool disableFullOpen = false;
        QWidget *owner = nullptr;
        quint32 flags = 0;
    };
    bool chooseColor(ColorRequest &request);
    // The 16 colours the colour dialog offers as custom ones; until set
    // they are the desktop's own colours.
    QColor customColor(int index);
    void setCustomColor(int index, const QColor &color);

    enum FontFlag : quint32
    {
        FixedPitchOnly = 0x4000,
        LimitSize = 0x2000, // keep the size within minSize..maxSize
        ScalableOnly = 0x20000,
    };
    struct FontRequest
    {
        QFont font;   // in and out
        QColor color; // in and out; only the system's dialog changes it
        int minSize = 0;
        int maxSize = 0;
        QWidget *owner = nullptr;
        quint32 flags = 0;
    };
    bool chooseFont(FontRequest &request);

    // The print and page-setup dialogs; outside Windows from the print
    // plug-in (loaded on the first call). Without it they fail with
    // PrintDialogsMissing and errorString() says why.
    using PrintRequest = settings::PrintRequest;
    using PageSetupRequest = settings::PageSetupRequest;
    bool printDialog(PrintRequest &request);
    bool pageSetupDialog(PageSetupRequest &request);
    QString errorString() const { return m_errorString; }

    // 1 when the last dialog was confirmed, else 0.
    int lastResult() const { return m_lastResult; }
    quint32 extendedError() const { return m_extendedError; }

private:
    bool runFileDialog(FileRequest &request, bool save);
    bool begin();

    PrintDialogs *printDialogs();

    int m_lastResult = 0;
    quint32 m_extendedError = NoError;
    QString m_errorString;
    std::array<QColor, 16> m_customColors;
    bool m_customColorsSet = false;
};

} // namespace settings
