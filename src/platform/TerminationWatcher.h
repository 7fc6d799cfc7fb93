#pragma once

#include <QObject>

namespace platform {

// Tells the program, on its own thread and outside any signal handler, that
// the system asked it to end (on Linux: SIGTERM, SIGINT or SIGHUP; on
// Windows: a console's control event, or kEndRequestEvent set), so that it
// can take its icon away and leave its files in order instead of dying
// where it stands. One watcher per process.
//
// On Windows the watcher holds an automatically resetting event of this
// name in the session's namespace for as long as it lives: whoever sets it
// (the installer and the uninstaller, before they replace or remove the
// program) asks the program to end, and once the event can no longer be
// opened the program holds it no more.
inline constexpr char16_t kEndRequestEvent[] = u"Local\\Quorvel.EndRequest";

class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

signals:
    void terminationRequested();

private:
    struct Private;
    Private *d;
};

} // namespace platform
