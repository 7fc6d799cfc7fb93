#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace settings {

// Flags and numbers are kept as decimal text. Reading turns them into the
// 16-bit integers the program works with; anything that does not convert
// cleanly yields nothing, so the caller keeps the value it already had
// instead of acting on garbage.
//
// Accepted: surrounding blanks, an optional sign, digits, an optional
// fraction (rounded to the nearest whole number, halves to the even one).
// Rejected: empty text, any other character, results outside -32768..32767.
std::optional<qint16> toInt16(const QString &text);

// A text value of a settings file exactly as a person wrote it, where
// the file reader would turn it into something else: an unquoted comma
// makes a list of it ("http://a/ip, http://b/ip"), and a list is no
// text. Blanks and tabs at either end of an unquoted part are dropped,
// double quotes enclose parts kept as they are, and the reader's
// backslash escapes (\" \\ \n \t \xHHHH ...) hold; commas and semicolons
// are part of the text.
QString iniTextValue(QByteArrayView written);

// The value written for key (a path such as "Settings/IP Services") in the
// text of a settings file, as iniTextValue reads it; the last one when the
// key is written twice. Nothing when the file has no such key.
std::optional<QString> iniFileTextValue(QByteArrayView file, QStringView key);

} // namespace settings
