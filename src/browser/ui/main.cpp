// quorvel-browser: the anonymous-surfing window as a program of its own,
// started by Quorvel when the user asks for it. It ends when its window
// closes, and takes the web engine and its helper processes with it.
//   quorvel-browser --start-page=URL [--translation-host=HOST]
// Its standard input takes "raise" (bring the window forward) and "close".
#include "AppIcon.h"
#include "BrowserAddresses.h"
#include "BrowserLauncher.h"
#include "BrowserWindow.h"
#include "Superuser.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cstdio>

// The engine refuses root unless its sandbox is turned off, and then ends
// the program on the spot. The sandbox is what keeps a hostile page away
// from the machine, and root has the most to lose: the browser does not
// run as root, unless whoever starts it has turned the sandbox off.
static bool sandboxTurnedOff()
{
    return !qEnvironmentVariable("QTWEBENGINE_DISABLE_SANDBOX").isEmpty() ||
           qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS")
               .contains(QLatin1String("--no-sandbox"));
}

int main(int argc, char *argv[])
{
    if (platform::runsAsSuperuser() && !sandboxTurnedOff()) {
        std::fputs("The browser does not run as root: its web engine would have to run without "
                   "the sandbox that shields the system from the pages it shows. Run Quorvel "
                   "as a normal user.\n",
                   stdout);
        return browser::kRefusedExitCode;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setDesktopFileName(QStringLiteral("quorvel"));
    QApplication::setWindowIcon(app::applicationIcon());

    QCommandLineParser parser;
    const QCommandLineOption startPage(QStringLiteral("start-page"),
                                       QStringLiteral("The page to open on (empty: none)."),
                                       QStringLiteral("url"));
    const QCommandLineOption translationHost(
        QStringLiteral("translation-host"),
        QStringLiteral("The translation service every page is fetched through."),
        QStringLiteral("host[:port]"), QString(browser::kDefaultTranslationHost));
    parser.addOptions({startPage, translationHost});
    parser.addHelpOption();
    parser.process(app);

    // Qt 6.4's engine reports its graphics set-up on every start; that is
    // for those who ask (QT_LOGGING_RULES still can).
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.debug=false\n"
                                                    "qt.webenginecontext.info=false"));
    auto *window = new browser::BrowserWindow(
        browser::browserAddresses(parser.value(startPage), parser.value(translationHost)));
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, &app, &QCoreApplication::quit);

    // Commands from the program that started this one, a line each. The
    // end of the input (that program has gone) leaves the window open.
    QFile commands;
    if (commands.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        auto *ready = new QSocketNotifier(commands.handle(), QSocketNotifier::Read, window);
        QObject::connect(ready, &QSocketNotifier::activated, window, [&commands, ready, window] {
            const QByteArray command = commands.readLine();
            if (command.isEmpty())
                ready->setEnabled(false);
            else if (command == browser::kRaiseCommand)
                window->bringForward();
            else if (command == browser::kCloseCommand)
                window->close();
        });
    }

    window->show();
    return app.exec();
}
