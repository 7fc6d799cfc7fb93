#pragma once

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

} // namespace settings
