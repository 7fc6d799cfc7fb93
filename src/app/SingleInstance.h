#pragma once

#include <QLockFile>
#include <QString>

namespace app {

// Keeps a second copy of the program from starting for the same user. The
// lock names the process that holds it, so a lock left by a crashed run is
// recognised as stale and taken over instead of blocking every later start.
class SingleInstance
{
public:
    // The lock file in the user's runtime folder.
    SingleInstance();
    explicit SingleInstance(const QString &lockFilePath);

    // True when this process is now the only instance.
    bool tryLock();
    QString path() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
};

} // namespace app
