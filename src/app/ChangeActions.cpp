#include "ChangeActions.h"

#include "AddressServices.h"
#include "AddressSource.h"
#include "ChangeCommand.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "WebHook.h"

namespace app {

ChangeActions::ChangeActions(QObject *parent)
    : QObject(parent), m_command(new ChangeCommand(this)), m_webHook(new WebHook(this))
{
    connect(m_command, &ChangeCommand::finished, this, [this](bool success, const QString &text) {
        emit finished(Action::Command, success, text);
    });
    connect(m_webHook, &WebHook::finished, this, [this](bool success, const QString &text) {
        emit finished(Action::WebHook, success, text);
    });
}

void ChangeActions::refreshed(const address::AddressSnapshot &snapshot)
{
    const settings::SettingsStore store;
    const QString command =
        store.value(settings::keys::ChangeCommand, QString()).value_or(QString());
    m_webHook->setUrl(store.value(settings::keys::ChangeWebHook, QString()).value_or(QString()));

    const QDateTime now = QDateTime::currentDateTimeUtc();
    const struct
    {
        const char *family;
        const QString &address;
        QString &last;
    } families[] = {{"ipv4", snapshot.publicIp, m_lastIpv4},
                    {"ipv6", snapshot.publicIpv6, m_lastIpv6}};
    for (const auto &f : families) {
        if (!address::isCanonicalAddress(f.address) || f.address == f.last)
            continue;
        const AddressChange change{QString::fromLatin1(f.family), f.last, f.address,
                                   snapshot.hostName, now};
        f.last = f.address;
        if (!command.trimmed().isEmpty())
            m_command->run(command, change);
        m_webHook->notify(change);
    }
    m_webHook->refreshed();
}

} // namespace app
