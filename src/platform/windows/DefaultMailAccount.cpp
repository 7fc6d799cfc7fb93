#include "DefaultMailAccount.h"

#include "RegistryLayout.h"
#include "RegistryText.h"

namespace platform {

MailAccount readDefaultMailAccount()
{
    MailAccount account;
    const auto name = registry::readText(HKEY_CURRENT_USER, registry::kAccountManagerKey,
                                         registry::kDefaultAccountValue);
    if (!name)
        return account;
    const QByteArray key = registry::mailAccountKey(*name);
    // Each value on its own: one that is missing leaves only its own field
    // empty.
    const auto read = [&key](const char *value) -> std::optional<QString> {
        if (const auto text = registry::readText(HKEY_CURRENT_USER, key.constData(), value))
            return QString::fromLocal8Bit(*text);
        return std::nullopt;
    };
    account.smtpServer = read(registry::kSmtpServerValue);
    account.displayName = read(registry::kDisplayNameValue);
    account.email = read(registry::kEmailAddressValue);
    return account;
}

} // namespace platform
