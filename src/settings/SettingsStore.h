#pragma once

#include <QSettings>
#include <QString>
#include <optional>

namespace settings {

// The per-user settings store: one section "Settings" of the application
// "Quorvel". Every value is text; flags and numbers are decimal text. On
// Linux it is a file in the user's configuration folder; on Windows the
// user's registry key Software\Quorvel\Quorvel\Settings, one string
// value per key.
//
// All access goes through here so that tests can point the program at a
// folder of their own (XDG_CONFIG_HOME) and so that nothing else needs to
// know the organisation, application and section names.
class SettingsStore
{
public:
    SettingsStore();

    // The stored text, or fallback when the key is absent. Nothing when the
    // stored value is unreadable (not text), so callers keep what they had.
    std::optional<QString> value(const QString &key, const QString &fallback) const;
    // Writes the text unchanged, replacing any earlier value; a key that
    // already reads as the text is not written again. The file is
    // replaced atomically, so a crash never leaves half a settings file
    // (the registry writes each value whole), and it is readable by its
    // owner only: it may hold the mail password.
    void setValue(const QString &key, const QString &text);
    // Takes the key out of the file (the password, once the secret store
    // holds it).
    void remove(const QString &key);

    // value followed by the 16-bit conversion; nothing when the stored
    // text is damaged, so the caller keeps its previous value.
    std::optional<qint16> number(const QString &key, const QString &fallback) const;

    // Read into an in-memory copy, leaving it untouched when the stored value
    // is damaged. An absent key reads as its catalogue default.
    void readNumber(qint16 &field, QLatin1StringView key) const;
    void readText(QString &field, QLatin1StringView key) const;
    std::optional<qint16> number(QLatin1StringView key) const;

    // "IP Service Host", or the build's default (normally empty: the
    // built-in address services are asked).
    QString ipServiceHost() const;
    // "IP Services" and "IP Services IPv6" as stored, "" when absent.
    QString ipServices() const;
    QString ipv6Services() const;
    QString homePage() const;

    // Puts every write on disk now (the store already writes through; this
    // is for the moment the program ends).
    void sync();

    QString fileName() const;

    // Makes the settings file readable by its owner only (a file written
    // by hand or by an older version may not be).
    void keepPrivate();

private:
    mutable QSettings m_settings;
};

} // namespace settings
