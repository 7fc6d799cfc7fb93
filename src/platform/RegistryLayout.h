#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// Where the program's values live in the Windows registry and how one is
// read, kept apart from the registry calls so that every rule is plain text
// work.
namespace platform::registry {

// The per-user settings, below HKEY_CURRENT_USER: the key Qt's settings
// store gives organisation "Quorvel" and application "Quorvel", with the
// one section "Settings" beneath it.
inline constexpr char16_t kSettingsKey[] = u"Software\\Quorvel\\Quorvel\\Settings";

// The start-at-logon entry: the user's Run key, below HKEY_CURRENT_USER.
// Older versions wrote the machine's, the same path below
// HKEY_LOCAL_MACHINE, which only an administrator may write.
inline constexpr char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RunEntry
{
    QString valueName; // the executable's name without folder and extension
    QString data;      // empty when switched off
};

// The entry for the executable at programPath ("/" or "\" separated).
// Switched on, its data is the folder, one backslash and the name without
// extension: the system adds ".exe" itself when it starts the entry.
RunEntry runEntry(const QString &programPath, bool enable);

// The mail client's default account, below HKEY_CURRENT_USER.
inline constexpr char kAccountManagerKey[] = "Software\\Microsoft\\Internet Account Manager";
inline constexpr char kDefaultAccountValue[] = "Default Mail Account";
inline constexpr char kSmtpServerValue[] = "SMTP Server";
inline constexpr char kDisplayNameValue[] = "SMTP Display Name";
inline constexpr char kEmailAddressValue[] = "SMTP Email Address";

// The key of one of the mail client's accounts.
QByteArray mailAccountKey(QByteArrayView accountName);

// A file type's registration below HKEY_CLASSES_ROOT: the file name's
// extension from its last "." on, dot included; empty when it has none.
QString fileTypeKey(const QString &fileName);
inline constexpr char kContentTypeValue[] = "Content Type";

// Text values are read into a buffer of this many bytes, whatever their
// type; a longer one counts as absent.
inline constexpr int kValueBufferSize = 255;

// The text of a value query: status is the query's result (0 is success)
// and size the byte count it reported, terminating NUL included. Nothing
// when the query failed, the value is empty (size below 2) or the size
// does not fit the buffer.
std::optional<QByteArray> valueText(long status, QByteArrayView buffer, quint32 size);

} // namespace platform::registry
