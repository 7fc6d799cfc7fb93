#pragma once

#include <QString>
#include <QStringView>
#include <functional>

class QFont;

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
// The same for text drawn in font; where the system shortens paths itself
// (Windows), its shortening is taken instead.
QString compactedPath(const QString &path, int maxWidth, const QFont &font);

} // namespace settings
