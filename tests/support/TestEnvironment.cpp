#include "TestEnvironment.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>

TestEnvironment::TestEnvironment()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", m_dir.filePath(QStringLiteral("runtime")).toLocal8Bit());
    // QSettings works out the user folder once per process; later
    // environments in the same test program must say where they are.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
#ifdef Q_OS_WIN
    // There the settings live in the registry, which every test of a run
    // shares: each starts from none.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvel"),
              QStringLiteral("Quorvel"))
        .clear();
#endif
}

QString TestEnvironment::configHome() const
{
    return m_dir.filePath(QStringLiteral("config"));
}

QString TestEnvironment::settingsFile() const
{
    return configHome() + QStringLiteral("/Quorvel/Quorvel.conf");
}

void TestEnvironment::writeSettingsFile(const QByteArray &contents) const
{
    QDir().mkpath(configHome() + QStringLiteral("/Quorvel"));
    QFile f(settingsFile());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(contents);
}

void TestEnvironment::setLoopbackServices(const QString &ipServiceHost,
                                          const QString &homePage) const
{
    settings::SettingsStore store;
    store.setValue(settings::keys::IPServiceHost, ipServiceHost);
    store.setValue(settings::keys::HomePage, homePage);
}
