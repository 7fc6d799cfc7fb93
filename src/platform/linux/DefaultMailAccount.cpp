#include "DefaultMailAccount.h"

#include <QDir>
#include <QFile>

namespace platform {

namespace {

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

MailAccount readDefaultMailAccount()
{
    // Thunderbird from the distribution, the snap and the flatpak keep
    // their profiles in different places; the first that has one wins.
    const QDir home = QDir::home();
    const QStringList roots{
        home.filePath(QStringLiteral(".thunderbird")),
        home.filePath(QStringLiteral("snap/thunderbird/common/.thunderbird")),
        home.filePath(QStringLiteral(".var/app/org.mozilla.Thunderbird/.thunderbird")),
    };
    for (const QString &root : roots) {
        const QString ini = readText(QDir(root).filePath(QStringLiteral("profiles.ini")));
        if (ini.isEmpty())
            continue;
        const QString profile = thunderbirdDefaultProfile(ini, root);
        if (profile.isEmpty())
            continue;
        const QString prefs = readText(QDir(profile).filePath(QStringLiteral("prefs.js")));
        if (!prefs.isEmpty())
            return thunderbirdAccount(prefs);
    }
    return {};
}

} // namespace platform
