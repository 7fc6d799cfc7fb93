#include "TerminationWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// The write end of the self-pipe: the handler may do nothing but write(2).
int g_signalFd = -1;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd, &byte, 1);
    errno = savedErrno;
}

} // namespace

struct TerminationWatcher::Private
{
    int fds[2] = {-1, -1};
    QSocketNotifier *notifier = nullptr;
    struct sigaction previous[std::size(kSignals)] = {};
};

TerminationWatcher::TerminationWatcher(QObject *parent) : QObject(parent), d(new Private)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, d->fds) != 0)
        return; // without a pipe the signals keep their default: ending the process
    g_signalFd = d->fds[0];
    d->notifier = new QSocketNotifier(d->fds[1], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(d->fds[1], buffer, sizeof buffer) > 0) {
        }
        emit terminationRequested();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &d->previous[i]);
}

TerminationWatcher::~TerminationWatcher()
{
    if (d->fds[0] >= 0) {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &d->previous[i], nullptr);
        g_signalFd = -1;
        delete d->notifier;
        ::close(d->fds[0]);
        ::close(d->fds[1]);
    }
    delete d;
}

} // namespace platform
