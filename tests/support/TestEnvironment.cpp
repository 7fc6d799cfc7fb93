#include "TestEnvironment.h"

#include "SettingsConversion.h"
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
#ifdef Q_OS_WIN
    return QStringLiteral("\\HKEY_CURRENT_USER\\Software\\Quorvel\\Quorvel");
#else
    return configHome() + QStringLiteral("/Quorvel/Quorvel.conf");
#endif
}

void TestEnvironment::writeSettingsFile(const QByteArray &contents) const
{
    QDir().mkpath(configHome() + QStringLiteral("/Quorvel"));
    const QString file = configHome() + QStringLiteral("/Quorvel/Quorvel.conf");
    QFile f(file);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(contents);
#ifdef Q_OS_WIN
    // The same values as a hand-edited registry would hold them: text as
    // text (also where the file reader would make a list of it, at a comma)
    // and what the file spells as a variant as that type.
    f.close();
    const QSettings text(file, QSettings::IniFormat);
    QSettings registry(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvel"),
                       QStringLiteral("Quorvel"));
    registry.clear();
    for (const QString &key : text.allKeys()) {
        const QVariant value = text.value(key);
        if (value.typeId() == QMetaType::QStringList)
            registry.setValue(key, settings::iniFileTextValue(contents, key).value_or(QString()));
        else
            registry.setValue(key, value);
    }
#endif
}

void TestEnvironment::setLoopbackServices(const QString &ipServiceHost,
                                          const QString &homePage) const
{
    settings::SettingsStore store;
    store.setValue(settings::keys::IPServiceHost, ipServiceHost);
    store.setValue(settings::keys::HomePage, homePage);
}
