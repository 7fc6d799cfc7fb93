#include "SettingsStore.h"

#include "SettingsConversion.h"
#include "SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace settings {

namespace {
const QString kSection = QStringLiteral("Settings");
}

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvel"),
                 QStringLiteral("Quorvel"))
{
#ifdef Q_OS_WIN
    // The settings are the user's alone (HKEY_CURRENT_USER): no machine-wide
    // or organisation-wide key may stand in for one that is missing.
    m_settings.setFallbacksEnabled(false);
#endif
}

std::optional<QString> SettingsStore::value(const QString &key, const QString &fallback) const
{
    // Another process (or the user) may have changed the file since we last
    // looked; the program reads at well-defined moments and wants what is
    // on disk then.
    m_settings.sync();
    const QString path = kSection + u'/' + key;
    const QVariant v = m_settings.value(path);
    if (!v.isValid())
        return fallback;
#ifndef Q_OS_WIN // the registry holds text as text
    // Written by hand with a comma outside quotes, a text reads as a list;
    // the file holds the text as the person wrote it.
    if (v.typeId() == QMetaType::QStringList) {
        QFile file(m_settings.fileName());
        if (file.open(QIODevice::ReadOnly))
            if (const auto written = iniFileTextValue(file.readAll(), path))
                return written;
    }
#endif
    // A value stored as another type (a rectangle, a variant) cannot be one
    // of ours; treat it as unreadable rather than guessing.
    if (v.typeId() != QMetaType::QString && v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return v.toString();
}

void SettingsStore::setValue(const QString &key, const QString &text)
{
    keepPrivate();
    // A key that already holds the text is left as it stands: a file
    // written by hand keeps its form (quotes, blanks, order), and a start
    // that changes nothing writes nothing, where every write is a whole new
    // file flushed to disk.
    const QString path = kSection + u'/' + key;
    if (m_settings.contains(path) && value(key, QString()) == text)
        return;
    m_settings.setValue(path, text);
    m_settings.sync();
}

void SettingsStore::remove(const QString &key)
{
    keepPrivate();
    m_settings.remove(kSection + u'/' + key);
    m_settings.sync();
}

void SettingsStore::keepPrivate()
{
#ifndef Q_OS_WIN // the registry keeps its own access rules
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QString path = m_settings.fileName();
    if (QFileInfo::exists(path)) {
        // Files written by older versions were readable by everyone.
        constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup |
                                              QFile::ExeGroup | QFile::ReadOther |
                                              QFile::WriteOther | QFile::ExeOther;
        if (QFile::permissions(path) & others)
            QFile::setPermissions(path, ownerOnly);
        return;
    }
    // Made empty and private before anything is written: the atomic
    // replacement keeps the permissions of the file it replaces, so the
    // text never lies in a file others may read, not even for a moment.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
#endif
}

std::optional<qint16> SettingsStore::number(const QString &key, const QString &fallback) const
{
    const auto text = value(key, fallback);
    return text ? toInt16(*text) : std::nullopt;
}

std::optional<qint16> SettingsStore::number(QLatin1StringView key) const
{
    return number(key, defaultValue(key));
}

void SettingsStore::readNumber(qint16 &field, QLatin1StringView key) const
{
    if (const auto v = number(key))
        field = *v;
}

void SettingsStore::readText(QString &field, QLatin1StringView key) const
{
    if (const auto v = value(key, defaultValue(key)))
        field = *v;
}

QString SettingsStore::ipServiceHost() const
{
    const QString host = value(keys::IPServiceHost, QString()).value_or(QString()).trimmed();
    return host.isEmpty() ? QStringLiteral(QUORVEL_IP_SERVICE_HOST) : host;
}

QString SettingsStore::ipServices() const
{
    return value(keys::IPServices, QString()).value_or(QString());
}

QString SettingsStore::ipv6Services() const
{
    return value(keys::IPServicesIPv6, QString()).value_or(QString());
}

QString SettingsStore::homePage() const
{
    const QString page = value(keys::HomePage, QString()).value_or(QString()).trimmed();
    return page.isEmpty() ? QStringLiteral(QUORVEL_HOME_PAGE) : page;
}

void SettingsStore::sync()
{
    m_settings.sync();
}

QString SettingsStore::fileName() const
{
    return m_settings.fileName();
}

} // namespace settings
