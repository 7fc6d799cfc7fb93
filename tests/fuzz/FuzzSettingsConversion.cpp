#include "FuzzTarget.h"

#include "SettingsConversion.h"

#include <cmath>

using namespace settings;

// A settings file written by hand, and a value of it as a number.
FUZZ_TARGET(input)
{
    const QByteArrayView file(input.data(), qsizetype(input.size()));
    // No escape makes more characters than it is written with.
    FUZZ_CHECK(iniTextValue(file).size() <= file.size());
    const auto value = iniFileTextValue(file, u"Settings/IP Services");
    FUZZ_CHECK(!value || value->size() < file.size());
    const QString text = QString::fromUtf8(file);
    if (const auto number = toInt16(text)) {
        bool ok = false;
        const double d = text.toDouble(&ok);
        FUZZ_CHECK(ok && std::abs(d - *number) <= 0.5);
    }
}
