#pragma once

#include <QString>
#include <optional>

namespace platform {

// The default account of the desktop's mail client. A value the client
// does not have stays empty (not found), so callers keep what they had.
struct MailAccount
{
    std::optional<QString> smtpServer; // "host", or "host:port" when not 25
    std::optional<QString> email;
    std::optional<QString> displayName;
};

// Reads it now (Linux: Thunderbird's default profile; Windows: the mail
// client's accounts in the user's registry); nothing found gives no values.
MailAccount readDefaultMailAccount();

// The folder of the default profile named by a Thunderbird profiles.ini
// (the installation's default, else the profile marked Default=1, else a
// sole profile), relative paths taken from baseDir; "" when none.
QString thunderbirdDefaultProfile(const QString &profilesIni, const QString &baseDir);

// The default account in a Thunderbird prefs.js: its first identity's
// address and full name and that identity's outgoing server (or the
// default outgoing server).
MailAccount thunderbirdAccount(const QString &prefsJs);

} // namespace platform
