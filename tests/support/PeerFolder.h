#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A temporary folder shared with a peer process the test starts (the
// python servers), who is told its paths by peerPath(). Under Wine the
// peers are Linux programs, which Wine starts like any other; Wine shows the
// Linux file system as drive Z:, so the folder lies there and the peer gets
// its Linux path.
class PeerFolder : public QTemporaryDir
{
public:
    PeerFolder() : QTemporaryDir(base() + QStringLiteral("/quorvel-peer-XXXXXX")) {}

    QString peerPath(const QString &name) const
    {
        QString path = filePath(name);
#ifdef Q_OS_WIN
        path.remove(0, 2); // "Z:"
#endif
        return path;
    }

private:
    static QString base()
    {
#ifdef Q_OS_WIN
        return QStringLiteral("Z:/tmp");
#else
        return QDir::tempPath();
#endif
    }
};
