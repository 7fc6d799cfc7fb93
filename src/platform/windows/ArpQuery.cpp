#include "ArpQuery.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

// Each of these needs the ones before it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

namespace platform {

quint32 ipv4FromText(const QString &text)
{
    return ::inet_addr(text.toLocal8Bit().constData());
}

ArpReply queryHardwareAddress(quint32 target, std::chrono::milliseconds timeout)
{
    // SendARP waits as long as the system's resolution takes and cannot be
    // told to stop. It runs on a thread of its own, so that the caller gets
    // its answer by the time-out in any case; a late answer goes nowhere.
    struct Outcome
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        ArpReply reply;
    };
    const auto outcome = std::make_shared<Outcome>();
    try {
        std::thread([outcome, target] {
            // Room for the longest hardware address the call hands back.
            unsigned char buffer[8] = {};
            ULONG length = 6;
            ArpReply reply;
            // Source 0: whichever interface leads to the target.
            if (::SendARP(target, 0, buffer, &length) == NO_ERROR && length > 0)
                reply = {true, QByteArray(reinterpret_cast<const char *>(buffer),
                                          int(qMin<ULONG>(length, sizeof buffer)))};
            const std::lock_guard lock(outcome->mutex);
            outcome->reply = reply;
            outcome->finished = true;
            outcome->done.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        return {}; // no thread to be had: no answer
    }
    std::unique_lock lock(outcome->mutex);
    if (!outcome->done.wait_for(lock, timeout, [&outcome] { return outcome->finished; }))
        return {};
    return outcome->reply;
}

} // namespace platform
