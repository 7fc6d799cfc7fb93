#include "FuzzTarget.h"

#include "DefaultMailAccount.h"
#include "MailClient.h"

#include <QDir>

using namespace platform;

// A Thunderbird profile's files: the server read from prefs.js is one the
// mail settings accept, and the default profile of profiles.ini lies where
// the program finds it whatever its working folder.
FUZZ_TARGET(input)
{
    const QString text = QString::fromUtf8(bytes(input));
    if (const auto server = thunderbirdAccount(text).smtpServer)
        FUZZ_CHECK(mail::parseServerAddress(*server).ok);
    const QString profile =
        thunderbirdDefaultProfile(text, QStringLiteral("/home/me/.thunderbird"));
    FUZZ_CHECK(profile.isEmpty() || QDir::isAbsolutePath(profile));
}
