#include "HostLookup.h"

#include "NameLookup.h"

#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

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
    auto *watcher = new QFutureWatcher<QString>(this);
    m_running = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher] { finish(watcher->result()); });
    // The worker gets its own copies: a name service call cannot be
    // stopped, and it may outlive this object.
    watcher->setFuture(QtConcurrent::run([resolve = m_resolve, name] { return resolve(name); }));
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
    // A lookup given up on is forgotten; its thread ends on its own. The
    // watcher may be the one whose signal is being handled right now.
    if (!m_running)
        return;
    m_running->disconnect(this);
    m_running->deleteLater();
    m_running = nullptr;
}

} // namespace tools
