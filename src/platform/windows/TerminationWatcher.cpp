#include "TerminationWatcher.h"

#include "ConsoleEvents.h"

#include <QMetaObject>
#include <QMutex>

#include <windows.h>

namespace platform {

namespace {

// The console calls its handlers on a thread of its own; they reach the
// watcher only under this lock, so it cannot go away in between.
QMutex g_lock;
TerminationWatcher *g_watcher = nullptr;

// Set when the watcher goes, that is when the program has ended in order.
// It lives as long as the process: a handler may still wait on it.
HANDLE endedEvent()
{
    static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// Asked of the program by name (see kEndRequestEvent). Held until the
// process ends, so that the event is gone only once the program is.
HANDLE endRequestEvent()
{
    static const HANDLE event =
        ::CreateEventW(nullptr, FALSE, FALSE, reinterpret_cast<const wchar_t *>(kEndRequestEvent));
    return event;
}

void requestTermination()
{
    const QMutexLocker locker(&g_lock);
    // Queued: the signal is emitted on the watcher's own thread.
    if (g_watcher)
        QMetaObject::invokeMethod(g_watcher, &TerminationWatcher::terminationRequested,
                                  Qt::QueuedConnection);
}

// Runs on a thread of the system's pool each time the event is set.
void CALLBACK onEndRequest(void *, BOOLEAN)
{
    requestTermination();
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    const ConsoleEventAction action = consoleEventAction(event);
    if (action == ConsoleEventAction::PassOn)
        return FALSE;
    {
        const QMutexLocker locker(&g_lock);
        if (!g_watcher)
            return FALSE;
    }
    requestTermination();
    // The process ends when this returns: give the program time to leave in
    // order first.
    if (action == ConsoleEventAction::EndInOrderBeforeReturning && endedEvent())
        ::WaitForSingleObject(endedEvent(), kConsoleEndWaitMs);
    return TRUE;
}

} // namespace

struct TerminationWatcher::Private
{
    bool installed = false;
    HANDLE endRequestWait = nullptr;
};

TerminationWatcher::TerminationWatcher(QObject *parent) : QObject(parent), d(new Private)
{
    const QMutexLocker locker(&g_lock);
    if (g_watcher)
        return; // one watcher per process
    if (endedEvent())
        ::ResetEvent(endedEvent());
    g_watcher = this;
    d->installed = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != FALSE;
    if (endRequestEvent() &&
        ::RegisterWaitForSingleObject(&d->endRequestWait, endRequestEvent(), onEndRequest, nullptr,
                                      INFINITE, WT_EXECUTEDEFAULT))
        d->installed = true;
    if (!d->installed)
        g_watcher = nullptr;
}

TerminationWatcher::~TerminationWatcher()
{
    if (d->installed) {
        {
            const QMutexLocker locker(&g_lock);
            g_watcher = nullptr;
        }
        ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        // Waits for a call under way to return.
        if (d->endRequestWait)
            ::UnregisterWaitEx(d->endRequestWait, INVALID_HANDLE_VALUE);
        // A handler waiting for us may let the process end now.
        if (endedEvent())
            ::SetEvent(endedEvent());
    }
    delete d;
}

} // namespace platform
