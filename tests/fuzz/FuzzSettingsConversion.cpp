#include "FuzzTarget.h"

#include "SettingsConversion.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

using namespace settings;

// A settings file written by hand: no value comes out longer than it was
// written; a number is the one Qt reads, rounded.
void fuzz(std::string_view input)
{
    const QByteArrayView file(input.data(), qsizetype(input.size()));
    FUZZ_CHECK(iniTextValue(file).size() <= file.size());
    FUZZ_CHECK(iniFileTextValue(file, u"Settings/IP Services").value_or("").size() <= file.size());
    const QString text = QString::fromUtf8(file);
    if (const auto number = toInt16(text)) {
        bool ok = false;
        double value = text.toDouble(&ok);
        if (!ok) {
            // Qt refuses a number too close to zero for a double, which
            // the C library reads as 0 (ERANGE): "0.000...01" is 0.
            const QByteArray ascii = text.trimmed().toLatin1();
            char *end = nullptr;
            errno = 0;
            value = std::strtod(ascii.constData(), &end);
            ok = end == ascii.constData() + ascii.size() && errno == ERANGE && value == 0;
        }
        FUZZ_CHECK(ok && std::abs(value - *number) <= 0.5);
    }
}
