#pragma once

#include <QString>

#ifdef Q_OS_WIN
#include <QLockFile>
#endif

namespace app {

// Keeps a second copy of the program from starting for the same user.
class SingleInstance
{
public:
    // The lock file in the user's runtime folder.
    SingleInstance();
    explicit SingleInstance(const QString &lockFilePath);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process is now the only instance.
    bool tryLock();
    QString path() const { return m_path; }

private:
    QString m_path;
#ifdef Q_OS_WIN
    // The lock names the process that holds it, so a lock left by a crashed
    // run is recognised as stale and taken over.
    QLockFile m_lock;
#else
    // A lock the system holds on the open file for as long as the process
    // lives: a crash releases it, so no lock is ever stale.
    int m_fd = -1;
#endif
};

} // namespace app
