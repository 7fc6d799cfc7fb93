#include "RefreshCycle.h"

#include "AddressServices.h"
#include "ChangeActions.h"
#include "NetworkChangeWatcher.h"
#include "NotificationSender.h"
#include "PublicIp.h"
#include "SettingsStore.h"

#include <QDateTime>

namespace app {

namespace {

NetworkChangeFolder::TimePoint now()
{
    return NetworkChangeFolder::Clock::now();
}

} // namespace

RefreshCycle::RefreshCycle(address::AddressSource *source, QObject *parent)
    : QObject(parent), m_source(source), m_mail(new mail::NotificationSender(this)),
      m_actions(new ChangeActions(this))
{
    Q_ASSERT(m_source);
    m_source->setParent(this);
    connect(m_source, &address::AddressSource::finished, this, &RefreshCycle::onSourceFinished);
    connect(m_mail, &mail::NotificationSender::finished, this, &RefreshCycle::mailFinished);
    m_networkRefreshTimer.setSingleShot(true);
    connect(&m_networkRefreshTimer, &QTimer::timeout, this, &RefreshCycle::onNetworkRefreshDue);
    connect(m_actions, &ChangeActions::finished, this, &RefreshCycle::actionFinished);
}

RefreshCycle::~RefreshCycle() = default;

bool RefreshCycle::isRunning() const
{
    return m_source->isRunning();
}

void RefreshCycle::stop()
{
    m_stopped = true;
    m_networkRefreshTimer.stop();
}

void RefreshCycle::setRefreshOnNetworkChange(bool on)
{
    if (on == bool(m_network))
        return;
    if (!on) {
        delete std::exchange(m_network, nullptr);
        m_networkChanges.discardPending();
        m_networkRefreshTimer.stop();
        return;
    }
    m_network = new platform::NetworkChangeWatcher(this);
    if (!m_network->errorString().isEmpty())
        qWarning("%s", qPrintable(m_network->errorString()));
    connect(m_network, &platform::NetworkChangeWatcher::networkChanged, this, [this] {
        m_networkChanges.networkChanged(now());
        scheduleNetworkRefresh();
    });
    connect(m_network, &platform::NetworkChangeWatcher::resumed, this, [this] {
        m_networkChanges.resumed(now());
        scheduleNetworkRefresh();
    });
}

void RefreshCycle::scheduleNetworkRefresh()
{
    const auto due = m_networkChanges.dueAt();
    if (!due || m_stopped) {
        m_networkRefreshTimer.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now());
    m_networkRefreshTimer.start(std::max(wait, std::chrono::milliseconds(0)));
}

void RefreshCycle::onNetworkRefreshDue()
{
    const auto due = m_networkChanges.dueAt();
    if (!m_network || !due)
        return;
    if (*due > now())
        return scheduleNetworkRefresh();
    // With no way out no address service answers; asking would only
    // announce the outage. The way's coming back is a change of its own.
    if (!m_network->hasDefaultRoute())
        return m_networkChanges.discardPending();
    refresh(Trigger::Network);
}

void RefreshCycle::refresh(Trigger trigger)
{
    if (m_stopped)
        return;
    if (m_source->isRunning()) {
        if (trigger == Trigger::Timer)
            m_timerPending = true;
        return;
    }
    m_running = trigger;
    m_networkChanges.refreshStarted(now());
    m_networkRefreshTimer.stop();
    emit started(trigger);
    // Read every time: the settings may have been changed (in a dialog, by
    // the other program, by hand) since the last refresh.
    startWithStoredServices(*m_source);
}

void RefreshCycle::onSourceFinished(const address::AddressSnapshot &snapshot)
{
    if (m_stopped)
        return;
    const Changes changed{m_tracker.accept(snapshot.publicIp),
                          snapshot.publicIpv6 != address::kNoIpv6 &&
                              m_ipv6Tracker.accept(snapshot.publicIpv6)};
    emit finished(snapshot, m_running, changed);
    m_actions->refreshed(snapshot);
    if (changed.any() && mail::NotificationSender::isEnabled())
        m_mail->notify(mail::composeNotification(snapshot.hostName, snapshot.publicIp,
                                                 snapshot.publicIpv6, snapshot.lan,
                                                 QDateTime::currentDateTime(),
                                                 !changed.ipv6  ? mail::ChangedFamilies::Ipv4
                                                 : changed.ipv4 ? mail::ChangedFamilies::Both
                                                                : mail::ChangedFamilies::Ipv6));
    else
        m_mail->refreshed(); // a mail that failed earlier may be due again
    m_networkChanges.refreshFinished();
    if (std::exchange(m_timerPending, false))
        refresh(Trigger::Timer);
    else
        scheduleNetworkRefresh();
}

bool startWithStoredServices(address::AddressSource &source)
{
    const settings::SettingsStore store;
    return source.start(address::chooseServices(store.ipServiceHost(), store.ipServices()),
                        address::chooseIpv6Services(store.ipServiceHost(), store.ipServices(),
                                                    store.ipv6Services()));
}

} // namespace app
