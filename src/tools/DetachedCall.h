#pragma once

#include <QObject>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <type_traits>

namespace tools {

// A call that may block for long and cannot be interrupted (the system's
// name service sits out its own time-outs, half a minute and more), run on
// a thread of its own that nobody waits for: neither the caller nor the
// program when it ends. The result is handed to done() on the thread of
// the call object. Abandoning the call (or deleting it or its parent)
// means done() is not called, and the thread ends whenever the system lets
// it, touching nothing but its own copies.
class DetachedCall : public QObject
{
public:
    // work() runs on the new thread and must own everything it uses.
    template <class Work, class Done>
    static DetachedCall *start(QObject *parent, Work work, Done done)
    {
        using Result = std::invoke_result_t<Work>;
        auto *call = new DetachedCall(parent);
        try {
            std::thread([link = call->m_link, work = std::move(work), done]() mutable {
                Result result = work();
                // The owner cannot be deleted while the answer is posted.
                const std::lock_guard lock(link->mutex);
                if (DetachedCall *owner = link->call)
                    QMetaObject::invokeMethod(
                        owner,
                        [owner, done = std::move(done), result = std::move(result)]() mutable {
                            if (owner->m_abandoned)
                                return;
                            owner->deleteLater();
                            done(std::move(result));
                        },
                        Qt::QueuedConnection);
            }).detach();
        } catch (const std::system_error &) {
            // No thread to be had: the call gives no answer, like one that
            // found nothing.
            QMetaObject::invokeMethod(
                call,
                [call, done]() mutable {
                    if (call->m_abandoned)
                        return;
                    call->deleteLater();
                    done(Result{});
                },
                Qt::QueuedConnection);
        }
        return call;
    }

    ~DetachedCall() override;

    // The result is no longer wanted; the call object goes away soon.
    void abandon();

private:
    explicit DetachedCall(QObject *parent);

    struct Link
    {
        std::mutex mutex;
        DetachedCall *call = nullptr;
    };
    std::shared_ptr<Link> m_link;
    bool m_abandoned = false;
};

} // namespace tools
