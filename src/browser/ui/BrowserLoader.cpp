#include "BrowserLoader.h"

#include "AddressServices.h"
#include "BrowserWindowFactory.h"
#include "ProgramFiles.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QWidget>

#ifdef QUORVEL_BROWSER_WINDOW
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QPluginLoader>

QT_BEGIN_NAMESPACE
// Exported by QtGui but missing from its public headers; the web engine
// declares it the same way.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE
#endif

namespace browser {

namespace {

QString g_error;

#ifdef QUORVEL_BROWSER_WINDOW
// Beside the program or in its installed library folder; failing both, the
// bare name is looked for along QCoreApplication::libraryPaths().
QString pluginFile()
{
    const QString file = platform::programFile(platform::ProgramFileKind::Library,
                                               QStringLiteral(QUORVEL_BROWSER_PLUGIN_FILE));
    return QFileInfo::exists(file) ? file : QString::fromLatin1(BrowserLoader::kPluginName);
}

// The web engine draws through a graphics context shared with Qt's, which
// must exist before its library is loaded (without one, Qt 6.4's engine
// crashes as it starts). QGuiApplication makes it at start-up when asked
// to (Qt::AA_ShareOpenGLContexts), but that loads the graphics driver,
// some 60 MB, into a program that may never open the browser; so it is
// made here, the way QGuiApplication would, just before it is needed.
void shareGraphicsContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // Qt warns that this belongs before the application object; it is late
    // on purpose, so the warning is kept off the error output.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(previous);
    auto *context = new QOpenGLContext;
    // One that cannot be made (no graphics driver) is shared all the same:
    // it tells the engine to draw without the graphics card.
    context->create();
    qt_gl_set_global_share_context(context);
    // Post routines run last-registered first, so the web engine, whose
    // own is registered later, has shut down before this one runs.
    qAddPostRoutine([] {
        delete QOpenGLContext::globalShareContext();
        qt_gl_set_global_share_context(nullptr);
    });
}

#endif

} // namespace

QWidget *BrowserLoader::createWindow()
{
#ifndef QUORVEL_BROWSER_WINDOW
    g_error = QStringLiteral("This build has no browser window.");
    return nullptr;
#else
    // Loaded once and never unloaded: the web engine cannot be taken out
    // of a running process again.
    shareGraphicsContext();
    // Qt 6.4's engine reports its graphics set-up on every start; that is
    // for those who ask (QT_LOGGING_RULES still can).
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.debug=false\n"
                                                    "qt.webenginecontext.info=false"));
    static QPluginLoader loader(pluginFile());
    auto *factory = qobject_cast<BrowserWindowFactory *>(loader.instance());
    if (!factory) {
        g_error = loader.errorString();
        qWarning("The browser window cannot be opened: %s", qPrintable(g_error));
        return nullptr;
    }
    return factory->createWindow(configuredAddresses());
#endif
}

QString BrowserLoader::errorString()
{
    return g_error;
}

BrowserAddresses BrowserLoader::configuredAddresses()
{
    const QString translation = settings::SettingsStore()
                                    .value(settings::keys::TranslationHost, QString())
                                    .value_or(QString())
                                    .trimmed();
    return browserAddresses(startPage(),
                            translation.isEmpty() ? QString(kDefaultTranslationHost) : translation);
}

QString BrowserLoader::proxiedStartPage()
{
    const BrowserAddresses addresses = configuredAddresses();
    return addresses.proxied(addresses.startingAddress);
}

QString BrowserLoader::startPage()
{
    const settings::SettingsStore store;
    return address::serviceStartUrl(
               address::chooseServices(store.ipServiceHost(), store.ipServices()))
        .toString();
}

} // namespace browser
