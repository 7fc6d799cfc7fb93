#pragma once

#include "AddressServices.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace address {

class PublicIpFetcher;

// The three values of one refresh, and the texts the user must be shown
// about failures met on the way.
struct AddressSnapshot
{
    QString hostName;
    QString publicIp;
    QString lan;
    QStringList messages;
    // Why the public address could not be read (which services were asked
    // and what each did); empty when it was.
    QString publicIpProblem;
};

// Produces a snapshot without blocking the caller's thread. The window and
// the command-line tool use the same source, so they cannot disagree; tests
// substitute their own to script what the network says.
class AddressSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts a refresh that asks the public address where choice says;
    // finished() follows exactly once. Returns false, and does nothing,
    // while one is running.
    virtual bool start(const ServiceChoice &choice) = 0;
    virtual bool isRunning() const = 0;

signals:
    void finished(const address::AddressSnapshot &snapshot);
};

// The real thing: host name, then the public address, then the LAN list.
class NetworkAddressSource : public AddressSource
{
    Q_OBJECT
public:
    explicit NetworkAddressSource(QObject *parent = nullptr);

    bool start(const ServiceChoice &choice) override;
    bool isRunning() const override { return m_running; }

    PublicIpFetcher *fetcher() const { return m_fetcher; }

private:
    PublicIpFetcher *m_fetcher;
    AddressSnapshot m_snapshot;
    bool m_running = false;
};

} // namespace address
