#include "FuzzTarget.h"

#include "SettingsConversion.h"

#include <cmath>

using namespace settings;

// A settings file written by hand: no value comes out longer than it was
// written; a number is the one Qt reads, rounded.
void fuzz(std::string_view input)
{
    const QByteArrayView file(input.data(), qsizetype(input.size()));
    FUZZ_CHECK(iniTextValue(file).size() <= file.size());
    FUZZ_CHECK(iniFileTextValue(file, u"Settings/IP Services").value_or("").size() <= file.size());
    const QString text = QString::fromUtf8(file);
    bool ok = false;
    if (const auto number = toInt16(text))
        FUZZ_CHECK(std::abs(text.toDouble(&ok) - *number) <= 0.5 && ok);
}
