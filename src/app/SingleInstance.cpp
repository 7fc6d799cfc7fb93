#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace app {

namespace {
QString defaultLockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/quorvel.lock");
}
} // namespace

SingleInstance::SingleInstance() : SingleInstance(defaultLockPath()) {}

SingleInstance::SingleInstance(const QString &lockFilePath)
    : m_path(lockFilePath), m_lock(lockFilePath)
{
    // A live owner is found through its process id; age alone must never
    // make a running instance's lock look stale.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::tryLock()
{
    return m_lock.tryLock(0);
}

} // namespace app
