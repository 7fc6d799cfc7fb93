#pragma once

#include <QString>
#include <QStringView>
#include <functional>

class QFontMetrics;

namespace settings {

// How wide a text is drawn, in pixels.
using TextWidth = std::function<int(QStringView)>;

// The path shortened to fit maxWidth pixels: whole folders next to the file
// name are replaced by "..." ("/usr/.../sound.wav"), keeping as much of the
// start as fits. When not even "/.../name" fits, the leading folders go
// too (".../name"), and then the name itself is cut ("sou..."); at the very
// least "..." is returned. A path that fits comes back unchanged, and the
// result is never longer than the path plus the three dots. Both "/" and
// "\" separate folders.
QString compactedPath(const QString &path, int maxWidth, const TextWidth &textWidth);
QString compactedPath(const QString &path, int maxWidth, const QFontMetrics &metrics);

} // namespace settings
