#pragma once

// Shared by the fuzz targets: each defines fuzz(), which gets every input,
// and checks its properties with FUZZ_CHECK.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>
#ifdef QT_CORE_LIB
#include <QStringList>
#endif

#define FUZZ_CHECK(c) ((c) ? void() : fuzzFailed(#c, __FILE__, __LINE__))

[[noreturn]] inline void fuzzFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: does not hold: %s\n", file, line, what);
    std::abort();
}

void fuzz(std::string_view input);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz({reinterpret_cast<const char *>(data), size});
    return 0;
}

// The reads of a conversation, separated by 0xFF (never valid UTF-8).
inline std::vector<std::string_view> parts(std::string_view input)
{
    std::vector<std::string_view> out;
    for (std::size_t end; (end = input.find('\xff')) != input.npos; input.remove_prefix(end + 1))
        out.push_back(input.substr(0, end));
    out.push_back(input);
    return out;
}

#ifdef QT_CORE_LIB
inline QByteArray bytes(std::string_view s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}
#endif
