#pragma once

#include <QString>
#include <optional>

namespace platform {

// The font a text is drawn in, as far as measuring it goes.
struct FontDescription
{
    QString family;
    int pixelSize = 0; // the em height in pixels
    int weight = 400;  // 100 (thin) to 900 (black), 400 normal, 700 bold
    bool italic = false;
};

// The system's own shortening of a file path to maxWidth pixels drawn in
// font (Windows: PathCompactPath, which puts "..." for whole folders and
// shows the path with backslashes);
// nothing where the system has no such service, so that the caller's own
// rule applies.
std::optional<QString> systemCompactedPath(const QString &path, int maxWidth,
                                           const FontDescription &font);

} // namespace platform
