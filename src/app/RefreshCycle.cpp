#include "RefreshCycle.h"

#include "AddressServices.h"
#include "NotificationSender.h"
#include "SettingsStore.h"

#include <QDateTime>

namespace app {

RefreshCycle::RefreshCycle(address::AddressSource *source, QObject *parent)
    : QObject(parent), m_source(source), m_mail(new mail::NotificationSender(this))
{
    Q_ASSERT(m_source);
    m_source->setParent(this);
    connect(m_source, &address::AddressSource::finished, this, &RefreshCycle::onSourceFinished);
    connect(m_mail, &mail::NotificationSender::finished, this, &RefreshCycle::mailFinished);
}

RefreshCycle::~RefreshCycle() = default;

bool RefreshCycle::isRunning() const
{
    return m_source->isRunning();
}

void RefreshCycle::stop()
{
    m_stopped = true;
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
    emit started(trigger);
    // Read every time: the settings may have been changed (in a dialog, by
    // the other program, by hand) since the last refresh.
    const settings::SettingsStore store;
    m_source->start(address::chooseServices(store.ipServiceHost(), store.ipServices()));
}

void RefreshCycle::onSourceFinished(const address::AddressSnapshot &snapshot)
{
    if (m_stopped)
        return;
    const bool changed = m_tracker.accept(snapshot.publicIp);
    emit finished(snapshot, m_running, changed);
    if (changed && mail::NotificationSender::isEnabled())
        m_mail->notify(mail::composeNotification(snapshot.hostName, snapshot.publicIp, snapshot.lan,
                                                 QDateTime::currentDateTime()));
    else
        m_mail->refreshed(); // a mail that failed earlier may be due again
    if (std::exchange(m_timerPending, false))
        refresh(Trigger::Timer);
}

} // namespace app
