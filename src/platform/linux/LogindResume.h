#pragma once

#include <QtPlugin>
#include <functional>
#include <memory>

namespace platform {

// Wakes from sleep as logind announces them on the system bus. A plain
// interface, so that the bus library (QtDBus) lives in a plug-in that is
// loaded only where a system bus exists, after start-up, and that
// quorvel-cli never maps otherwise.
class ResumeNotifier
{
public:
    virtual ~ResumeNotifier() = default;
};

class ResumeNotifierFactory
{
public:
    virtual ~ResumeNotifierFactory() = default;
    // resumed runs on the calling thread after each wake-up, for as long as
    // the notifier lives. A bus that cannot be reached reports nothing.
    virtual std::unique_ptr<ResumeNotifier> watchResume(std::function<void()> resumed) = 0;
};

} // namespace platform

#define QuorvelResumeNotifierFactory_iid "org.quorvel.ResumeNotifierFactory/1"
Q_DECLARE_INTERFACE(platform::ResumeNotifierFactory, QuorvelResumeNotifierFactory_iid)
