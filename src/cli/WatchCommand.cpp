// quorvel-cli watch: the window's refresh cycle for machines without a
// desktop (servers, a systemd user service).
#include "AddressSource.h"
#include "CliCommand.h"
#include "Notification.h"
#include "RefreshCycle.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TerminationWatcher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <chrono>
#include <optional>

namespace cli {

namespace {

using std::chrono::milliseconds;

// Fractions of a minute are allowed, down to three seconds: enough to try
// it out, too little to burden the address services much.
constexpr double kShortestMinutes = 0.05;
// The window's interval field holds 16 bits of minutes.
constexpr double kLongestMinutes = 32767;
constexpr double kMinuteMs = 60000;

// Nothing when the arguments are not "[--interval MIN]"; zero when no
// interval was given.
std::optional<milliseconds> parseInterval(const QStringList &args)
{
    if (args.isEmpty())
        return milliseconds(0);
    bool ok = false;
    const double minutes =
        args.size() == 2 && args[0] == QLatin1String("--interval") ? args[1].toDouble(&ok) : 0;
    if (!ok || !(minutes >= kShortestMinutes && minutes <= kLongestMinutes))
        return std::nullopt;
    return milliseconds(qint64(minutes * kMinuteMs + 0.5));
}

// The minutes the window refreshes by; a damaged value (0 or less) means
// every minute, as in the window, where every tick is then due.
milliseconds storedInterval()
{
    qint16 minutes = 1;
    settings::SettingsStore().readNumber(minutes, settings::keys::RefreshIPIntervalMin);
    return milliseconds(qint64(qMax<qint16>(minutes, 1)) * qint64(kMinuteMs));
}

class Watcher : public QObject
{
public:
    Watcher(milliseconds interval, QTextStream &out, QTextStream &err)
        : m_out(out), m_err(err), m_cycle(new address::NetworkAddressSource)
    {
        m_timer.setInterval(interval);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { m_cycle.refresh(app::RefreshCycle::Trigger::Timer); });
        connect(&m_cycle, &app::RefreshCycle::finished, this, &Watcher::onRefreshed);
        connect(&m_cycle, &app::RefreshCycle::mailFinished, this,
                [this](bool success, const QString &reason) {
                    print(mail::sendResultText(success, reason));
                });
        // The change command's and the web hook's outcomes: the ones that
        // went wrong where errors go.
        connect(&m_cycle, &app::RefreshCycle::actionFinished, this,
                [this](app::ChangeActions::Action, bool success, const QString &text) {
                    print(text, success ? m_out : m_err);
                });
    }

    void start()
    {
        // Read once, like the interval: the watch runs as configured when
        // it started.
        qint16 onNetworkChange = 1;
        settings::SettingsStore().readNumber(onNetworkChange,
                                             settings::keys::RefreshOnNetworkChange);
        m_cycle.setRefreshOnNetworkChange(onNetworkChange == 1);
        m_timer.start();
        m_cycle.refresh(app::RefreshCycle::Trigger::Timer);
    }

private:
    void onRefreshed(const address::AddressSnapshot &snapshot, app::RefreshCycle::Trigger,
                     app::RefreshCycle::Changes changed)
    {
        for (const QString &message : snapshot.messages)
            m_err << message << '\n';
        for (const QString &problem : {snapshot.publicIpProblem, snapshot.publicIpv6Problem})
            if (!problem.isEmpty())
                m_err << problem << '\n';
        m_err.flush();
        print(QStringLiteral("IP Internet: ") + snapshot.publicIp);
        print(QStringLiteral("IP Internet (IPv6): ") + snapshot.publicIpv6);
        if (changed.ipv4)
            print(QStringLiteral("IP Internet changed. ") + snapshot.publicIp);
        if (changed.ipv6)
            print(QStringLiteral("IP Internet (IPv6) changed. ") + snapshot.publicIpv6);
    }

    // One line, stamped with the local time, out at once (a pipe or the
    // journal would otherwise see it only when the buffer fills).
    void print(const QString &text) { print(text, m_out); }
    void print(const QString &text, QTextStream &stream)
    {
        stream << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss "))
               << text << '\n';
        stream.flush();
    }

    QTextStream &m_out;
    QTextStream &m_err;
    app::RefreshCycle m_cycle;
    QTimer m_timer;
};

} // namespace

int runWatch(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const auto given = parseInterval(args);
    if (!given)
        return -1;
    Watcher watcher(given->count() > 0 ? *given : storedInterval(), out, err);
    // SIGTERM (systemctl stop) and SIGINT (Ctrl+C) end the watch: a mail
    // still under way is dropped with its connection.
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, qApp,
                     [] { QCoreApplication::exit(0); });
    watcher.start();
    return QCoreApplication::exec();
}

} // namespace cli
