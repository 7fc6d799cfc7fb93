#pragma once

#include <QObject>
#include <QString>

namespace platform {

// Tells the program, on its own thread, when the machine's own network has
// changed in a way that may move its public address (see NetworkState.h)
// and when the machine has woken from sleep. It is told by the system
// (Linux: rtnetlink and logind; Windows: IP Helper's notifications and the
// power broadcast), so it costs nothing while nothing changes: no polling,
// no timer. Whoever listens decides when to act; a burst of changes gives a
// burst of signals.
class NetworkChangeWatcher : public QObject
{
    Q_OBJECT
public:
    explicit NetworkChangeWatcher(QObject *parent = nullptr);
    ~NetworkChangeWatcher() override;

    // Why the system will not tell us of network changes (an error text),
    // empty while it does. The wake-ups are a separate matter: without a
    // system bus (Linux) they are simply not reported.
    QString errorString() const;
    // Whether a default route exists now, as of the last change seen. While
    // none does, no address service can be reached.
    bool hasDefaultRoute() const;

signals:
    void networkChanged();
    void resumed();

private:
    struct Private;
    Private *d;
};

} // namespace platform
