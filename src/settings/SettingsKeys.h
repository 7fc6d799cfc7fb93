#pragma once

#include <QLatin1StringView>
#include <QString>

// The names under which the program keeps its settings. They are visible to
// users who edit the settings file by hand, so they never change.
namespace settings::keys {

inline constexpr QLatin1StringView RefreshIP{"Refresh IP"};
inline constexpr QLatin1StringView RefreshIPInterval{"Refresh IP Interval"};
inline constexpr QLatin1StringView RefreshIPIntervalMin{"Refresh IP Interval Min"};
inline constexpr QLatin1StringView SendMeEMail{"Send Me E-Mail"};
inline constexpr QLatin1StringView SMTPServer{"SMTP Server"};
inline constexpr QLatin1StringView Username{"Username"};
inline constexpr QLatin1StringView Password{"Password"};
inline constexpr QLatin1StringView FromEMail{"From E-Mail"};
inline constexpr QLatin1StringView ToEMail{"To E-Mail"};
// Never send the password or the message unencrypted; when absent, on for
// the ports that expect encryption (465, 587).
inline constexpr QLatin1StringView RequireEncryption{"Require Encryption"};
// TLS from the first byte; when absent, on for port 465.
inline constexpr QLatin1StringView ImplicitTls{"Implicit TLS"};
// "1": the password may go to a server that offers no encryption.
inline constexpr QLatin1StringView AllowPlainPassword{"Allow Password Without Encryption"};
inline constexpr QLatin1StringView StartWithWindows{"Start with Windows"};
inline constexpr QLatin1StringView StartMinimized{"Start Minimized"};
inline constexpr QLatin1StringView DontShowBalloon{"Don't Show Balloon"};
inline constexpr QLatin1StringView DontAskConfirmation{"Don't Ask Confirmation"};
inline constexpr QLatin1StringView PlaySound{"Play Sound"};
inline constexpr QLatin1StringView File{"File"};
// "1" (the default): a change of the machine's network, or its waking from
// sleep, refreshes the addresses too, not only the timer.
inline constexpr QLatin1StringView RefreshOnNetworkChange{"Refresh On Network Change"};

// Where the program reaches the outside world; overridable so that anyone
// can run their own public-IP page.
inline constexpr QLatin1StringView IPServiceHost{"IP Service Host"};
// Web addresses, comma-separated, that replace the built-in list of public
// address services.
inline constexpr QLatin1StringView IPServices{"IP Services"};
// The same for the public IPv6 address, asked over IPv6 only.
inline constexpr QLatin1StringView IPServicesIPv6{"IP Services IPv6"};
inline constexpr QLatin1StringView HomePage{"Home Page"};
inline constexpr QLatin1StringView TranslationHost{"Translation Host"};

// What else happens when a public address changes: a command line run
// (without a shell) and a web address that receives a POST.
inline constexpr QLatin1StringView ChangeCommand{"Change Command"};
inline constexpr QLatin1StringView ChangeWebHook{"Change Web Hook"};

} // namespace settings::keys

namespace settings {

// The value a key has while the store holds none: "0" for the flags and
// the interval position (but "1" for "Refresh On Network Change"), "1" for the interval minutes, ""
// for the mail texts, and for "File" the "sound.wav" the program brings along (beside it, or in its
// installed data folder). Keys of our own
// ("IP Service Host", "IP Services", "Home Page") have no stored default:
// empty means the built-in one.
QString defaultValue(QLatin1StringView key);

} // namespace settings
