#pragma once

#include <QObject>

namespace platform {

// Tells the program, on its own thread and outside any signal handler, that
// the system asked it to end (on Linux: SIGTERM, SIGINT or SIGHUP), so that
// it can take its icon away and leave its files in order instead of dying
// where it stands. One watcher per process.
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
