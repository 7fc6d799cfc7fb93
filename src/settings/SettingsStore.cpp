#include "SettingsStore.h"

#include "SettingsConversion.h"
#include "SettingsKeys.h"

namespace settings {

namespace {
const QString kSection = QStringLiteral("Settings");
}

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvel"),
                 QStringLiteral("Quorvel"))
{
}

std::optional<QString> SettingsStore::GetSetting(const QString &sKey, const QString &sDefault) const
{
    // Another process (or the user) may have changed the file since we last
    // looked; the program reads at well-defined moments and wants what is
    // on disk then.
    m_settings.sync();
    const QVariant v = m_settings.value(kSection + u'/' + sKey);
    if (!v.isValid())
        return sDefault;
    // A value someone stored as a list or other non-text type cannot be one
    // of ours; treat it as unreadable rather than guessing.
    if (v.typeId() != QMetaType::QString && v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return v.toString();
}

void SettingsStore::SaveSetting(const QString &sKey, const QString &sValue)
{
    m_settings.setValue(kSection + u'/' + sKey, sValue);
    m_settings.sync();
}

std::optional<qint16> SettingsStore::GetNumber(const QString &sKey, const QString &sDefault) const
{
    const auto text = GetSetting(sKey, sDefault);
    return text ? toInt16(*text) : std::nullopt;
}

std::optional<qint16> SettingsStore::GetNumber(QLatin1StringView key) const
{
    return GetNumber(key, defaultValue(key));
}

void SettingsStore::ReadNumberInto(qint16 &iField, QLatin1StringView key) const
{
    if (const auto v = GetNumber(key))
        iField = *v;
}

void SettingsStore::ReadTextInto(QString &sField, QLatin1StringView key) const
{
    if (const auto v = GetSetting(key, defaultValue(key)))
        sField = *v;
}

QString SettingsStore::IPServiceHost() const
{
    const QString host = GetSetting(keys::IPServiceHost, QString()).value_or(QString()).trimmed();
    return host.isEmpty() ? QStringLiteral(QUORVEL_IP_SERVICE_HOST) : host;
}

QString SettingsStore::HomePage() const
{
    const QString page = GetSetting(keys::HomePage, QString()).value_or(QString()).trimmed();
    return page.isEmpty() ? QStringLiteral(QUORVEL_HOME_PAGE) : page;
}

QString SettingsStore::fileName() const
{
    return m_settings.fileName();
}

} // namespace settings
