#pragma once

#include "DetachedCall.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>

class QTimer;

namespace tools {

// Resolves one name at a time to its first IPv4 address, in the name
// service's own order, without blocking the caller's thread: the name
// service is asked on a thread of its own, and an answer that takes longer
// than the time-out counts as none. A lookup given up on keeps nobody
// waiting, not even the program's exit.
class HostLookup : public QObject
{
    Q_OBJECT
public:
    // Returns the dotted address, or "" when the name does not resolve.
    using Resolver = std::function<QString(const QString &name)>;

    // The name service gives up on its own after a few tries of a few
    // seconds each; this is a little more than the usual total.
    static constexpr std::chrono::milliseconds kDefaultTimeout{12000};

    explicit HostLookup(QObject *parent = nullptr, Resolver resolve = {});

    void setTimeout(std::chrono::milliseconds timeout);
    // Starts a lookup; one that still runs is given up.
    void start(const QString &name);
    bool isRunning() const { return m_running != nullptr; }

signals:
    // The address, or "" (the name does not resolve, or too late).
    void finished(const QString &address);

private:
    void finish(const QString &address);
    void forgetRunning();

    Resolver m_resolve;
    QTimer *m_timeout;
    QPointer<DetachedCall> m_running;
};

} // namespace tools
