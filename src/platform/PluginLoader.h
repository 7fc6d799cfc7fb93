#pragma once

#include <QObject>
#include <QString>

namespace platform {

// Loads one of the program's plug-ins (the libraries it needs only for some
// runs: sound output, the secret store, print dialogs) and returns its
// instance, or nullptr with error set to why it could not be loaded. The
// file is looked for beside the program, then in the installed library
// folder (see ProgramFiles.h), then along QCoreApplication::libraryPaths().
// A plug-in stays loaded once it has been: its library cannot safely leave
// a running process. Call on the GUI thread.
QObject *loadPluginInstance(const QString &baseName, QString *error);

template <typename Interface> Interface *loadPlugin(const QString &baseName, QString *error)
{
    QObject *instance = loadPluginInstance(baseName, error);
    auto *plugin = qobject_cast<Interface *>(instance);
    if (instance && !plugin && error)
        *error = QStringLiteral("%1 is not a plug-in of this version").arg(baseName);
    return plugin;
}

} // namespace platform
