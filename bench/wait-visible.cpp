// Starts a program and prints how long it took until its window with the
// given title was mapped, the program's process id, and the processor time
// its threads had used by then:
//   bench-wait-visible TITLE PROGRAM [ARGUMENT...]  ->  "MILLISECONDS PID CPU-MILLISECONDS"
// The program keeps running; the caller measures and ends it. The
// processor time is the steadier figure on a shared machine: it leaves out
// the time the program waited for a processor.
//
// The clock starts just before the program is started, and the map is the
// X server's own notice, not a poll: a polling loop of short-lived X
// clients has a granularity of several milliseconds and takes processor
// time from the program being measured. Only windows that are children of
// the root window count, so a tray icon embedded in the tray's window with
// the same title does not; the display must run no window manager (a
// reparenting one would put every window into a frame of its own).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int kTimeOutMs = 10000;

double millisecondsSince(const timespec &start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec - start.tv_sec) * 1000.0 + double(now.tv_nsec - start.tv_nsec) / 1e6;
}

bool hasTitle(Display *display, Window window, const char *title)
{
    // _NET_WM_NAME (UTF-8) first, the way window managers read it; the
    // classic WM_NAME for clients that set only that.
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    bool match = false;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        match = type == utf8 && std::string(reinterpret_cast<char *>(data), count) == title;
        XFree(data);
        if (type == utf8)
            return match;
    }
    char *name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        match = std::strcmp(name, title) == 0;
        XFree(name);
    }
    return match;
}

// Time on a processor of all the process's threads, from the scheduler's
// statistics (nanoseconds, first field of each thread's schedstat).
double processorMilliseconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    if (DIR *dir = opendir(tasks.c_str())) {
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream stat(tasks + '/' + entry->d_name + "/schedstat");
            double nanoseconds = 0;
            if (stat >> nanoseconds)
                total += nanoseconds / 1e6;
        }
        closedir(dir);
    }
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const char *title = argv[1];
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: no X display\n", argv[0]);
        return 1;
    }
    // Mapped windows may fail to be read when they are gone again at once.
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        // The program talks to its own connection; its output is not ours.
        close(ConnectionNumber(display));
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[2], argv + 2);
        _exit(127);
    }

    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && hasTitle(display, event.xmap.window, title)) {
                const double elapsed = millisecondsSince(start);
                std::printf("%.1f %d %.1f\n", elapsed, int(pid), processorMilliseconds(pid));
                return 0;
            }
        }
        const int left = kTimeOutMs - int(millisecondsSince(start));
        if (left <= 0 || poll(&connection, 1, left) <= 0) {
            std::fprintf(stderr, "%s: no window \"%s\" within %d ms\n", argv[0], title, kTimeOutMs);
            std::printf("- %d -\n", int(pid));
            return 1;
        }
    }
}
