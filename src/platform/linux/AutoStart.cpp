#include "AutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

namespace {

// The Exec key of a desktop entry is a string value (backslash escapes) that
// holds a command line (quoting rules of its own). A path of plain
// characters goes in as it is; anything else is quoted, with the quoting
// escapes doubled so that they survive the string unescaping first.
QString execValue(const QString &program)
{
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=%");
    bool plain = true;
    for (const QChar c : program)
        plain = plain && !kReserved.contains(c);
    if (plain)
        return program;
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$')
            quoted += QStringLiteral("\\\\");
        else if (c == u'\\')
            quoted += QStringLiteral("\\\\\\");
        else if (c == u'%')
            quoted += u'%'; // a literal percent sign is written twice
        if (c == u'\n')
            quoted += QStringLiteral("\\n");
        else
            quoted += c;
    }
    return u'"' + quoted + u'"';
}

QString configHome()
{
    // The base directory rules: an unset, empty or relative value means the
    // default.
    const QString fromEnv = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (!fromEnv.isEmpty() && QDir::isAbsolutePath(fromEnv))
        return fromEnv;
    return QDir::homePath() + QStringLiteral("/.config");
}

} // namespace

QString startAtLogonLocation()
{
    return configHome() + QStringLiteral("/autostart/Quorvel.desktop");
}

void setStartAtLogon(bool enable, const QString &program)
{
    const QString executable =
        QFileInfo(program.isEmpty() ? QCoreApplication::applicationFilePath() : program)
            .absoluteFilePath();
    // Switched off, the entry stays but says "start nothing": that is what
    // Hidden means to the session, and a user's own copy of the entry with
    // the same name would be hidden as well, which is what they asked for.
    const QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Quorvel\n"
                       "Comment=Public IP address, host name and LAN "
                       "addresses in the notification area\n"
                       "Exec=%1\n"
                       "Terminal=false\n"
                       "Hidden=%2\n")
            .arg(execValue(executable), enable ? QStringLiteral("false") : QStringLiteral("true"));

    const QString location = startAtLogonLocation();
    // Called at every start: an entry that already says this stays, rather
    // than being replaced (and flushed to disk) with the same bytes.
    if (QFile current(location);
        current.open(QIODevice::ReadOnly) && current.readAll() == entry.toUtf8())
        return;
    if (!QDir().mkpath(QFileInfo(location).path()))
        return;
    // Written to a temporary file and renamed over the old one, so a session
    // starting meanwhile never reads half an entry.
    QSaveFile file(location);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(entry.toUtf8());
    file.commit();
}

} // namespace platform
