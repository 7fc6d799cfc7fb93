#include "PluginLoader.h"

#include "ProgramFiles.h"

#include <QFileInfo>
#include <QHash>
#include <QPluginLoader>

namespace platform {

QObject *loadPluginInstance(const QString &baseName, QString *error)
{
    // One loader per plug-in for the life of the process: never destroyed,
    // not even at exit, when the plug-in's objects may still be in use.
    static auto *const loaders = new QHash<QString, QPluginLoader *>;
    QPluginLoader *&loader = (*loaders)[baseName];
    if (!loader) {
        const QString file =
            programFile(ProgramFileKind::Library, baseName + QStringLiteral(QUORVEL_PLUGIN_SUFFIX));
        loader = new QPluginLoader(QFileInfo::exists(file) ? file : baseName);
    }
    QObject *instance = loader->instance();
    if (!instance && error)
        *error = loader->errorString();
    return instance;
}

} // namespace platform
