#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_WIN

SingleInstance::SingleInstance(const QString &lockFilePath)
    : m_path(lockFilePath), m_lock(lockFilePath)
{
    // A live owner is found through its process id; age alone must never
    // make a running instance's lock look stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryLock()
{
    return m_lock.tryLock(0);
}

#else

SingleInstance::SingleInstance(const QString &lockFilePath) : m_path(lockFilePath) {}

SingleInstance::~SingleInstance()
{
    // The file stays: taken away, it could be locked afresh by one start
    // while another still holds the old one it had opened.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleInstance::tryLock()
{
    if (m_fd >= 0)
        return true;
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // Who holds it, in the form older versions (and people) read: process
    // id, program name, host. The lock holds without this note, so it is
    // not flushed to disk (a start waits for no disk) and a failed write
    // is no failure.
    const QByteArray holder =
        QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
        QFile::encodeName(QFileInfo(QCoreApplication::applicationFilePath()).fileName()) + '\n' +
        QSysInfo::machineHostName().toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0) {
        const ssize_t written = ::write(fd, holder.constData(), size_t(holder.size()));
        Q_UNUSED(written);
    }
    m_fd = fd;
    return true;
}

#endif

} // namespace app
