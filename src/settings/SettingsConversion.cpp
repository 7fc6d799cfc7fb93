#include "SettingsConversion.h"

namespace settings {

std::optional<qint16> toInt16(const QString &text)
{
    const QString s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }

    // Accumulate in a wide type and stop caring once the value is clearly out
    // of range, so a long run of digits cannot overflow.
    constexpr qint64 kCap = 1'000'000;
    qint64 whole = 0;
    int intDigits = 0;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        whole = std::min(kCap, whole * 10 + (s[i].unicode() - u'0'));
        ++intDigits;
        ++i;
    }

    // The fraction only matters through its comparison with one half.
    enum class Frac
    {
        None,
        BelowHalf,
        Half,
        AboveHalf
    } frac = Frac::None;
    int fracDigits = 0;
    if (i < s.size() && s[i] == u'.') {
        ++i;
        bool first = true;
        bool restNonZero = false;
        char firstDigit = '0';
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
            const char d = char(s[i].unicode());
            if (first)
                firstDigit = d;
            else if (d != '0')
                restNonZero = true;
            first = false;
            ++fracDigits;
            ++i;
        }
        if (firstDigit < '5')
            frac = (firstDigit == '0' && !restNonZero) ? Frac::None : Frac::BelowHalf;
        else if (firstDigit == '5' && !restNonZero)
            frac = Frac::Half;
        else
            frac = Frac::AboveHalf;
    }

    if (i != s.size() || intDigits + fracDigits == 0)
        return std::nullopt;

    if (frac == Frac::AboveHalf || (frac == Frac::Half && (whole % 2) == 1))
        whole = std::min(kCap, whole + 1);

    const qint64 value = negative ? -whole : whole;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}

} // namespace settings
