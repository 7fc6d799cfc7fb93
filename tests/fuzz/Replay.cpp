// Replays a fuzz target's saved inputs, every file of the folders named, so
// that the ordinary and the sanitizer builds check each of them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i)
        for (const auto &entry : std::filesystem::directory_iterator(argv[i]))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto &path : files) {
        // Exactly as long as the file, so that a read beyond it is caught.
        std::vector<char> input(std::filesystem::file_size(path));
        std::ifstream(path, std::ios::binary).read(input.data(), std::streamsize(input.size()));
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(input.data()), input.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return files.empty();
}
