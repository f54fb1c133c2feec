#include "fuzz/readers.h"

#include "support/error_trap.h"

namespace bb::fuzz {

const Reader* FindReader(std::string_view name) {
    for (const auto* group : {&TextReaders(), &FileReaders()})
        for (const Reader& r : *group)
            if (name == r.name) return &r;
    return nullptr;
}

void ReadOne(const Reader& reader, const std::uint8_t* data, std::size_t size) {
    try {
        reader.read(data, size);
    } catch (const RuntimeError&) {
        // A classic run-time error: the caller's trap logs it.
    }
}

}  // namespace bb::fuzz
