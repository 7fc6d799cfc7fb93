#include "CompactedPath.h"

#include "PathCompaction.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QList>

namespace settings {

namespace {
const QString kEllipsis = QStringLiteral("...");
}

QString compactedPath(const QString &path, int maxWidth, const TextWidth &textWidth)
{
    const auto fits = [&](const QString &text) { return textWidth(text) <= maxWidth; };
    if (fits(path))
        return path;

    QList<qsizetype> separators;
    for (qsizetype i = 0; i < path.size(); ++i)
        if (path[i] == u'/' || path[i] == u'\\')
            separators << i;

    if (!separators.isEmpty()) {
        // From the last separator on: "/sound.wav".
        const QString tail = path.mid(separators.last());
        // Keep the folders up to separator k, drop the ones after it, the
        // nearest to the file first.
        for (qsizetype k = separators.size() - 2; k >= 0; --k) {
            const QString candidate = path.left(separators[k] + 1) + kEllipsis + tail;
            if (fits(candidate))
                return candidate;
        }
        const QString candidate = kEllipsis + tail;
        if (fits(candidate))
            return candidate;
    }

    // Only part of the name fits.
    const QString name = separators.isEmpty() ? path : path.mid(separators.last() + 1);
    for (qsizetype n = name.size() - 1; n > 0; --n) {
        // Never between the two halves of one character.
        if (name[n - 1].isHighSurrogate())
            continue;
        const QString candidate = name.left(n) + kEllipsis;
        if (fits(candidate))
            return candidate;
    }
    return kEllipsis;
}

QString compactedPath(const QString &path, int maxWidth, const QFont &font)
{
    const QFontInfo drawn(font);
    if (auto system = platform::systemCompactedPath(
            path, maxWidth, {drawn.family(), drawn.pixelSize(), drawn.weight(), drawn.italic()}))
        return *system;
    const QFontMetrics metrics(font);
    return compactedPath(path, maxWidth, [&metrics](QStringView text) {
        return metrics.horizontalAdvance(text.toString());
    });
}

} // namespace settings
