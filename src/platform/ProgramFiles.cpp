#include "ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

// The installed folders as seen from the program's own (set by the build
// from the install rules, so the two cannot drift apart).
QString installedFolder(const QString &programDir, ProgramFileKind kind)
{
    const QString relative = kind == ProgramFileKind::Library
                                 ? QStringLiteral(QUORVEL_LIBRARY_DIR_FROM_BIN)
                                 : QStringLiteral(QUORVEL_DATA_DIR_FROM_BIN);
    return QDir::cleanPath(programDir + u'/' + relative);
}

} // namespace

QString findProgramFile(const QString &programDir, ProgramFileKind kind, const QString &fileName)
{
    const QString beside = programDir + u'/' + fileName;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = installedFolder(programDir, kind) + u'/' + fileName;
    return QFileInfo::exists(installed) ? installed : beside;
}

QString programFile(ProgramFileKind kind, const QString &fileName)
{
    return findProgramFile(QCoreApplication::applicationDirPath(), kind, fileName);
}

QString programFolder(ProgramFileKind kind)
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString installed = installedFolder(programDir, kind);
    return QFileInfo(installed).isDir() ? installed : programDir;
}

} // namespace platform
