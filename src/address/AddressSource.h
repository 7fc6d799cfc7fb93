#pragma once

#include "AddressServices.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace address {

class PublicIpFetcher;

// The values of one refresh, and the texts the user must be shown about
// failures met on the way.
struct AddressSnapshot
{
    QString hostName;
    QString publicIp;
    QString lan;
    QStringList messages;
    // Why the public address could not be read (which services were asked
    // and what each did); empty when it was.
    QString publicIpProblem;
    // The public IPv6 address, asked over IPv6 only: an address, a failure
    // text, or "(no IPv6)" (never announced), and why it could not be read.
    QString publicIpv6;
    QString publicIpv6Problem;
};

// Produces a snapshot without blocking the caller's thread. The window and
// the command-line tool use the same source, so they cannot disagree; tests
// substitute their own to script what the network says.
class AddressSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts a refresh that asks the public address where choice says, and
    // the IPv6 one where ipv6Choice says; finished() follows exactly once.
    // Returns false, and does nothing, while one is running.
    virtual bool start(const ServiceChoice &choice, const ServiceChoice &ipv6Choice) = 0;
    virtual bool isRunning() const = 0;

signals:
    void finished(const address::AddressSnapshot &snapshot);
};

// The real thing: host name, then the public addresses of both families
// side by side, then the LAN list once both have come.
class NetworkAddressSource : public AddressSource
{
    Q_OBJECT
public:
    explicit NetworkAddressSource(QObject *parent = nullptr);

    bool start(const ServiceChoice &choice, const ServiceChoice &ipv6Choice) override;
    bool isRunning() const override { return m_running; }

    PublicIpFetcher *fetcher() const { return m_fetcher; }
    PublicIpFetcher *ipv6Fetcher() const { return m_ipv6Fetcher; }

private:
    void finishWhenBothCame();

    PublicIpFetcher *m_fetcher;
    PublicIpFetcher *m_ipv6Fetcher;
    AddressSnapshot m_snapshot;
    int m_waiting = 0; // 1: the IPv4 address, 2: the IPv6 one
    bool m_running = false;
};

} // namespace address
