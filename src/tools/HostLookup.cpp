#include "HostLookup.h"

#include "DetachedCall.h"
#include "NameLookup.h"

#include <QHostAddress>
#include <QTimer>

namespace tools {

HostLookup::HostLookup(QObject *parent, Resolver resolve)
    : QObject(parent), m_resolve(resolve ? std::move(resolve) : platform::firstIpv4Address),
      m_timeout(new QTimer(this))
{
    m_timeout->setSingleShot(true);
    m_timeout->setInterval(kDefaultTimeout);
    connect(m_timeout, &QTimer::timeout, this, [this] { finish(QString()); });
}

void HostLookup::setTimeout(std::chrono::milliseconds timeout)
{
    m_timeout->setInterval(timeout);
}

void HostLookup::start(const QString &name)
{
    forgetRunning();
    // An IPv6 address has no IPv4 address to give; some name services
    // would go and ask the network about it all the same.
    const bool ipv6 = QHostAddress(name.trimmed()).protocol() == QAbstractSocket::IPv6Protocol;
    // The worker gets its own copies: a name service call cannot be
    // stopped, and it may outlive this object and the program's event loop.
    m_running = DetachedCall::start(
        this, [resolve = m_resolve, name, ipv6] { return ipv6 ? QString() : resolve(name); },
        [this](const QString &address) { finish(address); });
    m_timeout->start();
}

void HostLookup::finish(const QString &address)
{
    m_timeout->stop();
    forgetRunning();
    emit finished(address);
}

void HostLookup::forgetRunning()
{
    // A lookup given up on is forgotten; its thread ends on its own.
    if (m_running)
        m_running->abandon();
    m_running = nullptr;
}

} // namespace tools
