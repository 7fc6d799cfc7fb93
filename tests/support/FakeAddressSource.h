#pragma once

#include "AddressSource.h"

#include <QList>
#include <QStringList>
#include <QTimer>

// Scripts what the network says: each refresh takes the next snapshot of
// the queue (the last one repeats). With autoFinish off the test decides
// when a refresh ends, to look at the window while one is running.
class FakeAddressSource : public address::AddressSource
{
    Q_OBJECT
public:
    QList<address::AddressSnapshot> script;
    bool autoFinish = true;
    QList<address::ServiceChoice> choices; // what every start() was to ask
    QList<address::ServiceChoice> ipv6Choices;

    static address::AddressSnapshot snapshot(const QString &ip,
                                             const QString &lan = QStringLiteral("192.0.2.5\r\n"),
                                             const QString &host = QStringLiteral("testhost"),
                                             const QString &ipv6 = QString())
    {
        return {host, ip, lan, {}, {}, ipv6, {}};
    }

    bool start(const address::ServiceChoice &choice,
               const address::ServiceChoice &ipv6Choice) override
    {
        if (m_running)
            return false;
        m_running = true;
        choices << choice;
        ipv6Choices << ipv6Choice;
        if (autoFinish)
            QTimer::singleShot(0, this, &FakeAddressSource::finish);
        return true;
    }
    bool isRunning() const override { return m_running; }
    int starts() const { return int(choices.size()); }

    void finish()
    {
        if (!m_running)
            return;
        m_running = false;
        const address::AddressSnapshot s =
            script.size() > 1 ? script.takeFirst()
                              : (script.isEmpty() ? address::AddressSnapshot{} : script.first());
        emit finished(s);
    }

private:
    bool m_running = false;
};
