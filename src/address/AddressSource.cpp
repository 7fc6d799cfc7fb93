#include "AddressSource.h"

#include "HostAddresses.h"
#include "PublicIpFetcher.h"

namespace address {

NetworkAddressSource::NetworkAddressSource(QObject *parent)
    : AddressSource(parent), m_fetcher(new PublicIpFetcher(this))
{
    connect(m_fetcher, &PublicIpFetcher::finished, this, [this](const QString &ip) {
        m_snapshot.publicIp = ip;
        m_snapshot.publicIpProblem = m_fetcher->explanation();
        m_snapshot.lan = lanAddresses();
        m_running = false;
        const AddressSnapshot done = std::exchange(m_snapshot, AddressSnapshot{});
        emit finished(done);
    });
}

bool NetworkAddressSource::start(const ServiceChoice &choice)
{
    if (m_running)
        return false;
    m_running = true;
    m_snapshot = AddressSnapshot{};
    m_snapshot.hostName = localHostName(&m_snapshot.messages);
    m_fetcher->fetch(choice);
    return true;
}

} // namespace address
