#include "AddressSource.h"

#include "HostAddresses.h"
#include "PublicIp.h"
#include "PublicIpFetcher.h"

namespace address {

NetworkAddressSource::NetworkAddressSource(QObject *parent)
    : AddressSource(parent), m_fetcher(new PublicIpFetcher(this)),
      m_ipv6Fetcher(new PublicIpFetcher(QAbstractSocket::IPv6Protocol, this))
{
    connect(m_fetcher, &PublicIpFetcher::finished, this, [this](const QString &ip) {
        m_snapshot.publicIp = ip;
        m_snapshot.publicIpProblem = m_fetcher->explanation();
        m_waiting &= ~1;
        finishWhenBothCame();
    });
    connect(m_ipv6Fetcher, &PublicIpFetcher::finished, this, [this](const QString &ip) {
        m_snapshot.publicIpv6 = ip;
        m_snapshot.publicIpv6Problem = m_ipv6Fetcher->explanation();
        m_waiting &= ~2;
        finishWhenBothCame();
    });
}

bool NetworkAddressSource::start(const ServiceChoice &choice, const ServiceChoice &ipv6Choice)
{
    if (m_running)
        return false;
    m_running = true;
    m_snapshot = AddressSnapshot{};
    m_snapshot.hostName = localHostName(&m_snapshot.messages);
    m_waiting = 1 | 2;
    m_fetcher->fetch(choice);
    // A machine with no IPv6 address beyond its links asks nobody.
    if (machineIpv6Addresses().isEmpty()) {
        m_snapshot.publicIpv6 = kNoIpv6;
        m_waiting &= ~2;
    } else {
        m_ipv6Fetcher->fetch(ipv6Choice);
    }
    return true;
}

void NetworkAddressSource::finishWhenBothCame()
{
    if (m_waiting != 0)
        return;
    m_snapshot.lan = lanAddresses();
    m_running = false;
    const AddressSnapshot done = std::exchange(m_snapshot, AddressSnapshot{});
    emit finished(done);
}

} // namespace address
