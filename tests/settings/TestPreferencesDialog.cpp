#include "CommonDialog.h"
#include "CompactedPath.h"
#include "PreferencesDialog.h"
#include "ServiceHost.h"
#include "SettingsKeys.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

#ifdef Q_OS_WIN
#include <memory>
#include <thread>

// clang-format off
#define WIN32_LEAN_AND_MEAN // no PlaySound macro
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
// clang-format on
#else
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#endif

static const QStringList kBoxes{"startAtLogonCheckBox", "startMinimizedCheckBox",
                                "noBalloonsCheckBox",   "noExitQuestionCheckBox",
                                "playSoundCheckBox",    "networkRefreshCheckBox"};

#ifdef Q_OS_WIN
// The system's own file dialog, which runs its loop on the test's thread:
// another thread acts in it the way a user does once it is up. It notes
// what the dialog offers (the filter list, the name field, the files
// listed), sets the "read-only" box, types the name where the focus is and
// presses Enter, or Escape for an empty name. The returned call waits for it.
static std::function<void()> inFileDialog(const QString &typed, bool readOnly, QStringList *shown)
{
    const DWORD gui = ::GetCurrentThreadId();
    auto user = std::make_shared<std::thread>([=] {
        const auto text = [](HWND w, UINT message, WPARAM index) {
            wchar_t buffer[MAX_PATH] = {};
            ::SendMessageW(w, message, message == WM_GETTEXT ? MAX_PATH : index, LPARAM(buffer));
            return QString::fromWCharArray(buffer);
        };
        // The test thread's dialog in front (a message box before its dialog).
        const auto topDialog = [gui] {
            HWND found = nullptr;
            ::EnumThreadWindows(
                gui,
                [](HWND w, LPARAM found) {
                    wchar_t name[8] = {};
                    ::GetClassNameW(w, name, 8);
                    if (!::IsWindowVisible(w) || wcscmp(name, L"#32770") != 0)
                        return TRUE;
                    *reinterpret_cast<HWND *>(found) = w;
                    return FALSE;
                },
                LPARAM(&found));
            return found;
        };
        HWND dialog = nullptr, view = nullptr;
        for (int i = 0; i < 200 && !(view && ListView_GetItemCount(view) > 0); ++i, ::Sleep(50)) {
            dialog = topDialog();
            view = ::FindWindowExW(::FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr),
                                   nullptr, WC_LISTVIEWW, nullptr);
        }
        HWND types = ::GetDlgItem(dialog, cmb1);
        for (int i = 0; i < ::SendMessageW(types, CB_GETCOUNT, 0, 0); ++i)
            *shown << text(types, CB_GETLBTEXT, i);
        HWND name =
            ::GetDlgItem(dialog, cmb13) ? ::GetDlgItem(dialog, cmb13) : ::GetDlgItem(dialog, edt1);
        *shown << text(name, WM_GETTEXT, 0);
        for (int i = 0; view && i < ListView_GetItemCount(view); ++i) {
            wchar_t item[MAX_PATH] = {};
            ListView_GetItemText(view, i, 0, item, MAX_PATH);
            *shown << QString::fromWCharArray(item);
        }
        ::SendMessageW(::GetDlgItem(dialog, chx1), BM_SETCHECK, readOnly, 0);
        QList<INPUT> keys;
        const auto key = [&keys](WORD vk, wchar_t c) {
            for (DWORD up : {0ul, DWORD(KEYEVENTF_KEYUP)}) {
                INPUT in = {};
                in.type = INPUT_KEYBOARD;
                in.ki.wVk = vk;
                in.ki.wScan = c;
                in.ki.dwFlags = up | (c ? KEYEVENTF_UNICODE : 0);
                keys << in;
            }
        };
        for (const QChar c : QDir::toNativeSeparators(typed))
            key(0, c.unicode());
        key(typed.isEmpty() ? VK_ESCAPE : VK_RETURN, 0);
        ::SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT));
        // A dialog that stays (with a message why) is closed, so that the
        // test fails on its outcome instead of waiting for ever.
        for (int i = 0; i < 100 && topDialog(); ++i)
            ::Sleep(50);
        for (HWND left; (left = topDialog()); ::Sleep(50))
            ::PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
    });
    return [user] { user->join(); };
}
#else
// Acts in the file dialog once it is up: notes what it offers (the filter
// list, the name field, the files listed), then confirms the typed name, or
// cancels for an empty one.
static std::function<void()> inFileDialog(const QString &typed, bool readOnly, QStringList *shown)
{
    QTimer::singleShot(0, [=] {
        auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        const auto *types = d->findChild<QComboBox *>("fileTypeCombo");
        for (int i = 0; i < types->count(); ++i)
            *shown << types->itemText(i);
        *shown << d->findChild<QLineEdit *>("fileNameEdit")->text();
        const auto *view = d->findChild<QListView *>("listView");
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 1);
        *shown << view->model()->index(0, 0, view->rootIndex()).data().toString();
        d->findChild<QCheckBox *>("readOnlyCheckBox")->setChecked(readOnly);
        d->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
        QMetaObject::invokeMethod(d, typed.isEmpty() ? "reject" : "accept");
    });
    return [] {};
}
#endif

struct Dialog : settings::PreferencesDialog
{
    Dialog() { show(); }
    template <typename T = QWidget> T *find(const QString &name) { return findChild<T *>(name); }
    QString text(const char *name) { return find<QLineEdit>(name)->text(); }
    void click(const char *name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    // The boxes as they would be stored: 0 cleared, 1 ticked, 2 greyed.
    QString boxes()
    {
        QString out;
        for (const QString &name : kBoxes)
            out += QString::number(QList<int>{0, 2, 1}[find<QCheckBox>(name)->checkState()]);
        return out;
    }
};

static QString stored()
{
    QStringList values;
    using namespace settings::keys;
    for (auto key : {StartWithWindows, StartMinimized, DontShowBalloon, DontAskConfirmation,
                     PlaySound, RefreshOnNetworkChange, File, IPServiceHost})
        values << settings::SettingsStore().value(key, "-").value();
    return values.join('|');
}

class TestPreferencesDialog : public QObject
{
    Q_OBJECT
private slots:
    void compacted_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("characters"); // the width, in characters
        QTest::addColumn<QString>("expected");
        const QString deep = "/usr/share/sounds/alerts/chime.wav";
        QTest::newRow("fits") << deep << 34 << deep;
        QTest::newRow("nearest folder goes") << deep << 33 << "/usr/share/sounds/.../chime.wav";
        QTest::newRow("only the root stays") << deep << 17 << "/.../chime.wav";
        QTest::newRow("root goes too") << deep << 13 << ".../chime.wav";
        QTest::newRow("name is cut") << deep << 7 << "chim...";
        QTest::newRow("nothing fits") << deep << 0 << "...";
        QTest::newRow("backslashes") << "C:\\Program Files\\Quorvel\\Sounds\\sound.wav" << 30
                                     << "C:\\Program Files\\...\\sound.wav";
        QTest::newRow("no folders") << "averyveryverylongname.wav" << 10 << "averyve...";
        // "..." is wider than the folder it would replace.
        QTest::newRow("short folder names") << "/a/b/c/d" << 7 << "/.../d";
    }

    void compacted()
    {
        QFETCH(QString, path);
        QFETCH(int, characters);
        // Every character 7 pixels wide, so that widths read as lengths.
        const auto sevenEach = [](QStringView text) { return int(text.size()) * 7; };
        QTEST(settings::compactedPath(path, characters * 7, sevenEach), "expected");
    }

    void firstRun()
    {
        TestEnvironment env;
        Dialog w;
        QStringList captions{w.windowTitle()};
        for (const QString &name : kBoxes)
            captions << w.find<QCheckBox>(name)->text();
        QCOMPARE(captions.join('|'), "Preferences|Start with Windows|Start  Minimized|Don't Show "
                                     "Balloon Tips|Don't Ask Confirmation when Closed the "
                                     "Program|Play Sound when IP Address Changes|Refresh when "
                                     "the network changes");
        QCOMPARE(w.boxes(), "000001"); // network changes refresh unless switched off
        const QString path = QCoreApplication::applicationDirPath() + "/sound.wav";
        auto *label = w.find<QLabel>("soundFileLabel");
        QVERIFY(!label->isVisible() && label->text() == QDir::toNativeSeparators(path));
        QVERIFY(QDir::fromNativeSeparators(w.text("soundFileEdit")).endsWith("/sound.wav"));
        QVERIFY(w.fontMetrics().horizontalAdvance(w.text("soundFileEdit")) <= label->width());

        // A malformed service is refused with a message; nothing is stored.
        w.find<QLineEdit>("ipServiceEdit")->setText("http://ip.example.net");
        w.click("okButton");
        QVERIFY(w.find<QMessageBox>("ipServiceMessage")->text().contains("http://ip.example.net"));
        // Neither Enter (on Ok) nor Escape presses a button.
        QTest::keyClick(w.find("okButton"), Qt::Key_Return);
        QTest::keyClick(w.find("okButton"), Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QCOMPARE(stored(), "-|-|-|-|-|-|-|-");
    }

    void cancelThenOk()
    {
        TestEnvironment env;
        env.writeSettingsFile("[Settings]\nStart%20Minimized=1\nDon%27t%20Show%20Balloon=2\n"
                              "Play%20Sound=abc\nRefresh%20On%20Network%20Change=0\n");
        QTemporaryDir dir;
        const QString deep = dir.filePath("sounds/for/every/occasion/the/change/is/here/bell.wav");
        QVERIFY(QDir().mkpath(QFileInfo(deep).path()) && QFile(deep).open(QIODevice::WriteOnly));
        const QString before = stored();
        for (const char *button : {"cancelButton", "okButton"}) {
            Dialog w;
            QCOMPARE(w.boxes(), "012000"); // "abc" leaves its box cleared
            w.find<QCheckBox>(kBoxes[0])->click();
            w.find<QLineEdit>("ipServiceEdit")->setText(" [::1]:8080 ");
            QStringList shown;
#ifdef Q_OS_WIN
            // Wine looks for the name as typed before it adds the extension.
            const auto done = inFileDialog(deep, false, &shown);
#else
            const auto done = inFileDialog(deep.chopped(4), false, &shown); // ".wav" is added
#endif
            w.click("browseButton");
            done();
            // Offered from the program's folder, with an empty name field.
            QCOMPARE(shown, (QStringList{"Wave Files (*.wav)", "", "sound.wav"}));
            const QString path = w.text("soundFileEdit"); // Windows: its own shortening
            QVERIFY(path.contains("...") && path.endsWith("bell.wav"));
            w.click(button);
            QVERIFY(!w.isVisible());
            QCOMPARE(stored(), button[0] == 'c' ? before
                                                : "1|1|2|0|0|0|" + QDir::toNativeSeparators(deep) +
                                                      "|[::1]:8080");
        }
        Dialog again;
        QCOMPARE(again.boxes(), "112000");
        QCOMPARE(again.find<QLabel>("soundFileLabel")->text(), QDir::toNativeSeparators(deep));
    }

    void serviceHost_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        for (const char *good : {"ip.example.net", "ip.example.net.", "ip.example.net:8080",
                                 "192.0.2.1:80", "[2001:db8::1]:8080", "[::1]", "localhost:65535"})
            QTest::newRow(good) << good << true;
        for (const char *bad :
             {"http://ip.example.net", "ip.example.net/x", "user@ip.example.net", "ip example.net",
              "-ip.example.net", "ip..example.net", "host:0", "host:65536", "host:", "host:8o",
              "999.0.2.1", "192.0.2", "2001:db8::1", "[2001:db8::1", "[192.0.2.1]", "[::1]x",
              "[fe80::1%eth0]", ""})
            QTest::newRow(bad) << bad << false;
    }

    void serviceHost()
    {
        QFETCH(QString, text);
        QTEST(settings::isValidServiceHost(text), "valid");
    }

    void fileDialogRules_data()
    {
        QTest::addColumn<QString>("typed"); // empty: the user cancels
        QTest::addColumn<bool>("readOnly");
        // Name, title, filter index, filter, flags, read-only, result, error.
        QTest::addColumn<QString>("result");

        QTest::newRow("read-only, another extension")
            << "notes.txt" << true << "notes.txt|notes.txt|1|Wave Files (*.wav)|*.wav|5121|1|1|0";
        QTest::newRow("cancel") << "" << true << "||-1||0|0|0|0";
    }

    void fileDialogRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, readOnly);
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("chime.wav")).open(QIODevice::WriteOnly) &&
                QFile(dir.filePath("notes.txt")).open(QIODevice::WriteOnly));
#ifdef Q_OS_WIN
        // The system adds that the path must exist, Wine that the dialog
        // may be resized.
        const quint32 kAddedBySystem = OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
#else
        const quint32 kAddedBySystem = 0;
#endif
        settings::CommonDialog dialogs;
        settings::CommonDialog::FileRequest request;
        request.fileName = "given.wav";
        request.filter = "Wave Files (*.wav)|*.wav|Text:*.txt";
        request.initialDir = dir.path();
        request.defaultExt = "wav";
        request.flags = settings::CommonDialog::EnableHook; // never honoured
        QStringList shown;
        const auto done = inFileDialog(typed, readOnly, &shown);
        const bool chosen = dialogs.getOpenFileName(request);
        done();
        QCOMPARE(chosen, !typed.isEmpty());
        QCOMPARE(shown, (QStringList{"Wave Files (*.wav)", "Text", "given.wav", "chime.wav"}));
        QTEST(QStringList({QDir::fromNativeSeparators(request.fileName).remove(dir.path() + '/'),
                           request.fileTitle, QString::number(request.filterIndex), request.filter,
                           QString::number(request.flags & ~kAddedBySystem),
                           QString::number(request.readOnly), QString::number(dialogs.lastResult()),
                           QString::number(dialogs.extendedError())})
                  .join('|'),
              "result");
    }
};

QTEST_MAIN(TestPreferencesDialog)
#include "TestPreferencesDialog.moc"
