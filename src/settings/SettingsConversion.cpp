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

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%20" and "%U00E4" stand for characters, "\" for "/", as the writer of
// the file escapes keys and section names.
QString unescapedKey(QByteArrayView key)
{
    QString out;
    QByteArray utf8;
    const auto flush = [&] {
        out += QString::fromUtf8(utf8);
        utf8.clear();
    };
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char c = key[i];
        if (c == '%' && i + 5 < key.size() && key[i + 1] == 'U') {
            int v = 0;
            bool ok = true;
            for (int k = 2; k <= 5; ++k) {
                const int h = hexValue(key[i + k]);
                ok = ok && h >= 0;
                v = v * 16 + h;
            }
            if (ok) {
                flush();
                out += QChar(char16_t(v));
                i += 5;
                continue;
            }
        }
        if (c == '%' && i + 2 < key.size() && hexValue(key[i + 1]) >= 0 &&
            hexValue(key[i + 2]) >= 0) {
            utf8 += char(hexValue(key[i + 1]) * 16 + hexValue(key[i + 2]));
            i += 2;
            continue;
        }
        utf8 += c == '\\' ? '/' : c;
    }
    flush();
    return out;
}

} // namespace

QString iniTextValue(QByteArrayView written)
{
    QString out;
    QByteArray utf8; // undecoded bytes of the current run
    const auto flush = [&] {
        out += QString::fromUtf8(utf8);
        utf8.clear();
    };
    bool quoted = false;
    // Unquoted blanks are held back until something follows them, so those
    // at the end of the value (or before a closing quote's part) drop out.
    qsizetype pendingBlanks = 0;
    qsizetype i = 0;
    while (i < written.size() && isBlank(written[i]))
        ++i;
    const auto keepBlanks = [&] {
        utf8.append(pendingBlanks, ' ');
        pendingBlanks = 0;
    };
    while (i < written.size()) {
        const char c = written[i++];
        if (c == '"') {
            keepBlanks();
            quoted = !quoted;
            continue;
        }
        if (!quoted && isBlank(c)) {
            ++pendingBlanks;
            continue;
        }
        keepBlanks();
        if (c != '\\') {
            utf8 += c;
            continue;
        }
        if (i >= written.size())
            break;
        const char e = written[i++];
        static constexpr char kSimple[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                              {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                              {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
        bool simple = false;
        for (const auto &pair : kSimple)
            if (e == pair[0]) {
                utf8 += pair[1];
                simple = true;
            }
        if (simple)
            continue;
        if (e == 'x' || (e >= '0' && e <= '7')) {
            // A character by its number: hexadecimal after "x", else octal.
            const int base = e == 'x' ? 16 : 8;
            char32_t v = e == 'x' ? 0 : char32_t(e - '0');
            int digits = 0;
            while (i < written.size() && digits < 8) {
                const int d = hexValue(written[i]);
                if (d < 0 || d >= base)
                    break;
                v = v * base + char32_t(d);
                ++i;
                ++digits;
            }
            flush();
            if (v <= 0xFFFF)
                out += QChar(char16_t(v));
            continue;
        }
        // A backslash at the end of a line continues the value on the
        // next; any other escaped character is dropped, as the reader does.
        if ((e == '\n' || e == '\r') && i < written.size() &&
            (written[i] == '\n' || written[i] == '\r') && written[i] != e)
            ++i;
    }
    flush();
    return out;
}

std::optional<QString> iniFileTextValue(QByteArrayView file, QStringView key)
{
    std::optional<QString> found;
    QString section;
    qsizetype pos = 0;
    while (pos < file.size()) {
        // One logical line: a backslash before the line's end continues it.
        qsizetype end = pos;
        while (end < file.size() && file[end] != '\n' && file[end] != '\r') {
            if (file[end] == '\\' && end + 1 < file.size())
                ++end;
            ++end;
        }
        QByteArrayView line = file.sliced(pos, end - pos);
        pos = end + 1;
        while (!line.isEmpty() && isBlank(line.front()))
            line = line.sliced(1);
        if (line.isEmpty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            section = unescapedKey(line.sliced(1, (close < 0 ? line.size() : close) - 1));
            if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        QByteArrayView name = line.first(equals);
        while (!name.isEmpty() && isBlank(name.back()))
            name.chop(1);
        const QString path =
            section.isEmpty() ? unescapedKey(name) : section + u'/' + unescapedKey(name);
        if (path == key)
            found = iniTextValue(line.sliced(equals + 1));
    }
    return found;
}

} // namespace settings
