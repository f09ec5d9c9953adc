// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target's entry function once over every file named on the
// command line (folders are walked), without libFuzzer: the regression
// inputs replay in every build, with gcc too. Exits non-zero when a named
// path is missing or holds no input, so an empty replay cannot pass.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                if (entry.is_regular_file()) {
                    Replay(entry.path());
                    ++replayed;
                }
        } else if (std::filesystem::is_regular_file(path)) {
            Replay(path);
            ++replayed;
        } else {
            std::fprintf(stderr, "missing input: %s\n", argv[i]);
            return 1;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs replayed\n");
        return 1;
    }
    std::printf("%d inputs replayed\n", replayed);
    return 0;
}
