#pragma once

#include <QString>
#include <QTemporaryDir>

// Gives a test its own settings and runtime folders, so it never reads or
// writes the user's settings and two tests never share a lock file.
// Construct it before anything touches QSettings.
class TestEnvironment
{
public:
    TestEnvironment();
    bool isValid() const { return m_dir.isValid(); }
    QString configHome() const;
    QString settingsFile() const;
    // Writes one raw "key=value" line set into the settings file, the way a
    // user editing it by hand (or an older version) would leave it.
    void writeSettingsFile(const QByteArray &contents) const;
    // Points every outside address at something that cannot leave the
    // machine: the public-IP page and the home page at loopback ports.
    void setLoopbackServices(const QString &ipServiceHost, const QString &homePage) const;

private:
    QTemporaryDir m_dir;
};
