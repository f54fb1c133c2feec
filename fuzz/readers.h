// The readers of outside input the fuzzers drive, by name: the same name
// names the reader's corpus folder under fuzz/corpus/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace bb::fuzz {

struct Reader {
    const char* name;
    // Reads one input; a run-time error with its classic number is a
    // handled outcome (thrown), anything that traps is a finding.
    void (*read)(const std::uint8_t* data, std::size_t size);
};

// Readers of text that need no files, and readers of files and dictionaries.
const std::vector<Reader>& TextReaders();
const std::vector<Reader>& FileReaders();
// The reader of that name; null when there is none.
const Reader* FindReader(std::string_view name);
// Runs one input through `reader`, a classic run-time error taken as handled.
void ReadOne(const Reader& reader, const std::uint8_t* data, std::size_t size);

}  // namespace bb::fuzz
