// The libFuzzer entry: one program for every reader, the reader named by
// BB_FUZZ_READER (tools/fuzz sets it to the name of the corpus it runs).
#include <cstdio>
#include <cstdlib>

#include "fuzz/readers.h"

namespace {
const bb::fuzz::Reader* reader = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* name = std::getenv("BB_FUZZ_READER");
    reader = name ? bb::fuzz::FindReader(name) : nullptr;
    if (!reader) {
        std::fprintf(stderr,
                     "BB_FUZZ_READER names no reader (%s); they are:", name ? name : "unset");
        for (const auto* group : {&bb::fuzz::TextReaders(), &bb::fuzz::FileReaders()})
            for (const auto& r : *group)
                std::fprintf(stderr, " %s", r.name);
        std::fprintf(stderr, "\n");
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bb::fuzz::ReadOne(*reader, data, size);
    return 0;
}
