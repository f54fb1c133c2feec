// Replays the kept corpus of one reader in the ordinary build
// (fuzz_replay READER FOLDER...): every file under the folders runs through
// the reader once, so a reader that crashes, hangs or trips a sanitizer on
// an input fuzzing found before fails the tests without a fuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/readers.h"

int main(int argc, char** argv) {
    const bb::fuzz::Reader* reader = argc > 1 ? bb::fuzz::FindReader(argv[1]) : nullptr;
    if (!reader) {
        std::fprintf(stderr, "usage: fuzz_replay READER FOLDER...\n");
        return 2;
    }
    std::size_t inputs = 0;
    for (int i = 2; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i]))
            if (e.is_regular_file()) files.push_back(e.path());
        if (files.empty()) {
            std::fprintf(stderr, "%s holds no inputs\n", argv[i]);
            return 1;
        }
        for (const auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
            bb::fuzz::ReadOne(*reader, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                              bytes.size());
            ++inputs;
        }
    }
    std::printf("%zu inputs replayed\n", inputs);
    return 0;
}
