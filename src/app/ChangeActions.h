#pragma once

#include <QObject>
#include <QString>

namespace address {
struct AddressSnapshot;
}

namespace app {

class ChangeCommand;
class WebHook;

// What else the refresh cycle does when a public address changes: runs the
// "Change Command" and calls the "Change Web Hook", as the settings name
// them at that moment, once for each family whose address changed.
class ChangeActions : public QObject
{
    Q_OBJECT
public:
    enum class Action
    {
        Command,
        WebHook,
    };
    Q_ENUM(Action)

    explicit ChangeActions(QObject *parent = nullptr);

    // A refresh has finished. Each family whose public address is now
    // another address than the one last told is told to both; a hook call
    // that failed may be due again.
    void refreshed(const address::AddressSnapshot &snapshot);

    ChangeCommand *command() const { return m_command; }
    WebHook *webHook() const { return m_webHook; }

signals:
    // The outcome of one run of the command or one call of the hook.
    void finished(app::ChangeActions::Action action, bool success, const QString &text);

private:
    ChangeCommand *m_command;
    WebHook *m_webHook;
    QString m_lastIpv4;
    QString m_lastIpv6;
};

} // namespace app
