#include "FuzzTarget.h"

#include "DefaultMailAccount.h"
#include "MailClient.h"

#include <QDir>

using namespace platform;

// A Thunderbird prefs.js or profiles.ini: the server read is one the mail
// settings accept; the profile lies where it is found from any folder.
void fuzz(std::string_view input)
{
    const QString text = QString::fromUtf8(bytes(input));
    if (const auto server = thunderbirdAccount(text).smtpServer)
        FUZZ_CHECK(mail::parseServerAddress(*server).ok);
    FUZZ_CHECK(
        QDir::isAbsolutePath(thunderbirdDefaultProfile(text, "/home/me/.thunderbird") + "/"));
}
