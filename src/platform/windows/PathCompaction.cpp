#include "PathCompaction.h"

#include <QDir>

#include <algorithm>
#include <cwchar>
#include <vector>

// Each of these needs the ones before it.
// clang-format off
#include <windows.h>
#include <shlwapi.h>
// clang-format on

namespace platform {

std::optional<QString> systemCompactedPath(const QString &path, int maxWidth,
                                           const FontDescription &font)
{
    // The width is measured in the font selected into a device context: a
    // memory one, with a font made to the description.
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc)
        return std::nullopt;
    LOGFONTW description = {};
    description.lfHeight = -font.pixelSize;
    description.lfWeight = font.weight;
    description.lfItalic = font.italic;
    description.lfCharSet = DEFAULT_CHARSET;
    font.family.left(LF_FACESIZE - 1).toWCharArray(description.lfFaceName);
    HFONT handle = ::CreateFontIndirectW(&description);
    const HGDIOBJ previous = handle ? ::SelectObject(dc, handle) : nullptr;

    // The call works in place on a buffer of at least MAX_PATH characters,
    // never shorter than the path and its NUL. It knows folders by
    // backslashes only.
    const QString native = QDir::toNativeSeparators(path);
    std::vector<wchar_t> buffer(std::max<size_t>(MAX_PATH, size_t(native.size()) + 1), L'\0');
    native.toWCharArray(buffer.data());
    std::optional<QString> result;
    if (::PathCompactPathW(dc, buffer.data(), UINT(std::max(0, maxWidth))))
        result = QString::fromWCharArray(buffer.data(),
                                         qsizetype(::wcsnlen(buffer.data(), buffer.size())));

    if (previous)
        ::SelectObject(dc, previous);
    if (handle)
        ::DeleteObject(handle);
    ::DeleteDC(dc);
    return result;
}

} // namespace platform
