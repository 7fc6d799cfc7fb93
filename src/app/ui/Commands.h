#pragma once

#include <QLatin1StringView>
#include <array>

namespace app {

// One entry of a menu: its caption ("-" draws a separator) and the command
// word the dispatcher acts on ("" for separators).
struct MenuEntry
{
    QLatin1StringView caption;
    QLatin1StringView key;
};

namespace cmd {
inline constexpr QLatin1StringView Open{"open"};
inline constexpr QLatin1StringView State{"state"};
inline constexpr QLatin1StringView Browser{"browser"};
inline constexpr QLatin1StringView Send{"send"};
inline constexpr QLatin1StringView IpLook{"iplook"};
inline constexpr QLatin1StringView Ping{"ping"};
inline constexpr QLatin1StringView Trace{"trace"};
inline constexpr QLatin1StringView Preferences{"preferences"};
inline constexpr QLatin1StringView Web{"web"};
inline constexpr QLatin1StringView About{"about"};
inline constexpr QLatin1StringView Exit{"exit"};
// Not on either menu: the main window's "MAC Address..." button.
inline constexpr QLatin1StringView Adapters{"adapters"};
// Not on either menu: the adapter window's "Get Remote MAC Address..." button.
inline constexpr QLatin1StringView RemoteMac{"remotemac"};
} // namespace cmd

inline constexpr QLatin1StringView kSeparator{"-"};

// The tray icon's popup menu; its first entry is the default one.
inline constexpr std::array<MenuEntry, 18> kTrayMenu{{
    {QLatin1StringView("&Open Quorvel"), cmd::Open},
    {kSeparator, {}},
    {QLatin1StringView("&Internet Connect State..."), cmd::State},
    {kSeparator, {}},
    {QLatin1StringView("&Anonymus &Surfing..."), cmd::Browser},
    {kSeparator, {}},
    {QLatin1StringView("Send Me E-Mail when IP &Changes..."), cmd::Send},
    {kSeparator, {}},
    {QLatin1StringView("&Resolve Domain/Web Address to IP Address..."), cmd::IpLook},
    {QLatin1StringView("&Ping by IP Address..."), cmd::Ping},
    {QLatin1StringView("&Trace Route..."), cmd::Trace},
    {kSeparator, {}},
    {QLatin1StringView("Pre&ferences..."), cmd::Preferences},
    {kSeparator, {}},
    {QLatin1StringView("&Visit Web Page..."), cmd::Web},
    {QLatin1StringView("&About..."), cmd::About},
    {kSeparator, {}},
    {QLatin1StringView("&Exit"), cmd::Exit},
}};

// The main window's "&Menu": the same commands without "open".
inline constexpr std::array<MenuEntry, 16> kMainMenu{{
    {QLatin1StringView("&Internet Connect State..."), cmd::State},
    {kSeparator, {}},
    {QLatin1StringView("Anonymous &Surfing..."), cmd::Browser},
    {kSeparator, {}},
    {QLatin1StringView("Send Me E-Mail when IP &Changes..."), cmd::Send},
    {kSeparator, {}},
    {QLatin1StringView("&Resolve Domain/Web Address to IP Address..."), cmd::IpLook},
    {QLatin1StringView("&Ping by IP Address..."), cmd::Ping},
    {QLatin1StringView("&Trace Route..."), cmd::Trace},
    {kSeparator, {}},
    {QLatin1StringView("Pre&ferences..."), cmd::Preferences},
    {kSeparator, {}},
    {QLatin1StringView("&Visit Web Page..."), cmd::Web},
    {QLatin1StringView("&About..."), cmd::About},
    {kSeparator, {}},
    {QLatin1StringView("&Exit"), cmd::Exit},
}};

class CommandRouter;
class MainWindow;

// Registers what every command does, one line per command; a window that
// is not registered here leaves its menu entries and button greyed out.
void installCommands(CommandRouter &router, MainWindow &window);

} // namespace app
