#pragma once

// What every fuzz target shares: FUZZ_TARGET(input) { ... } runs for each
// input, and FUZZ_CHECK stops the run, naming the property that failed.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>
#ifdef QT_CORE_LIB
#include <QStringList>
#endif

#define FUZZ_CHECK(c)                                                                              \
    ((c) ? void()                                                                                  \
         : (std::fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #c),            \
            std::abort()))

#define FUZZ_TARGET(input)                                                                         \
    static void fuzzOne(std::string_view);                                                         \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)              \
    {                                                                                              \
        fuzzOne({reinterpret_cast<const char *>(data), size});                                     \
        return 0;                                                                                  \
    }                                                                                              \
    static void fuzzOne(std::string_view input)

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
