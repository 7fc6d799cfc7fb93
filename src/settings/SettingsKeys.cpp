#include "SettingsKeys.h"

#include "ProgramFiles.h"

namespace settings {

QString defaultValue(QLatin1StringView key)
{
    using namespace keys;
    if (key == RefreshIPIntervalMin || key == RefreshOnNetworkChange)
        return QStringLiteral("1");
    if (key == RefreshIP || key == RefreshIPInterval || key == SendMeEMail ||
        key == StartWithWindows || key == StartMinimized || key == DontShowBalloon ||
        key == DontAskConfirmation || key == PlaySound)
        return QStringLiteral("0");
    if (key == File)
        return platform::programFile(platform::ProgramFileKind::Data, QStringLiteral("sound.wav"));
    return QString();
}

} // namespace settings
