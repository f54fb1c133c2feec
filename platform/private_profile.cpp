#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "support/text_encoding.h"
#include "support/whole_file.h"

namespace bb::platform {

namespace fs = std::filesystem;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The file's lines, without their ends; nothing when it cannot be read.
// A file that does not exist has no lines. A UTF-8 byte-order mark, which
// editors add to hand-edited files, is not part of the first line: `mark`
// says whether there was one.
std::optional<std::vector<std::string>> ReadLines(const fs::path& file, int& error,
                                                  bool* mark = nullptr) {
    if (mark) *mark = false;
    std::vector<std::string> lines;
    std::error_code ec;
    const auto status = fs::status(file, ec);
    if (ec || status.type() == fs::file_type::not_found) {
        error = ENOENT;
        return lines;
    }
    if (status.type() != fs::file_type::regular) {
        error = status.type() == fs::file_type::directory ? EISDIR : EINVAL;
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = errno ? errno : EACCES;
        return std::nullopt;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    if (in.bad()) {
        error = EIO;
        return std::nullopt;
    }
    if (!lines.empty() && lines.front().starts_with(kUtf8Mark)) {
        lines.front().erase(0, kUtf8Mark.size());
        if (mark) *mark = true;
    }
    error = 0;
    return lines;
}

// What a line is, and for a section line its name, for a key line its key
// and value (blanks around them removed).
struct LineParts {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string_view name;
    std::string_view value;
};

LineParts Classify(std::string_view line) {
    LineParts p;
    const std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() == ';' || t.front() == '#') return p;
    if (t.front() == '[') {
        auto close = t.find(']');
        p.kind = LineParts::kSection;
        p.name = TrimBlanks(t.substr(1, close == std::string_view::npos ? t.npos : close - 1));
        return p;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = LineParts::kKey;
    p.name = TrimBlanks(t.substr(0, eq));
    p.value = TrimBlanks(t.substr(eq + 1));
    return p;
}

// The lines of the first section called `section`: its header line and the
// line after its last line (the next section's header or the end).
struct SectionSpan {
    std::size_t header, end;
};

std::optional<SectionSpan> FindSection(const std::vector<std::string>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto p = Classify(lines[i]);
        if (p.kind != LineParts::kSection || !SameName(p.name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && Classify(lines[end]).kind != LineParts::kSection)
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

}  // namespace

std::string PrivateProfile::GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                                     std::string_view defaultValue,
                                                     std::size_t size, const fs::path& file) {
    std::string result(defaultValue);
    int error = 0;
    if (auto lines = ReadLines(file, error)) {
        if (auto span = FindSection(*lines, section)) {
            for (std::size_t i = span->header + 1; i < span->end; ++i) {
                const auto p = Classify((*lines)[i]);
                if (p.kind == LineParts::kKey && SameName(p.name, key)) {
                    result = FileTextToUtf8(Unquote(p.value));
                    break;
                }
            }
        }
    }
    if (size == 0) return {};
    return std::string(LeftChars(result, size - 1));
}

bool PrivateProfile::Fail(const fs::path& file, std::string_view what, int error) {
    last_error_ = std::string(what) + " " + file.string() + ": " + std::strerror(error);
    return false;
}

bool PrivateProfile::WriteContents(int fd, std::string_view text) {
    return WriteAll(fd, text);
}

bool PrivateProfile::WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                                std::string_view value, const fs::path& path) {
    last_error_.clear();
    // A line break in a name or value would split the entry and corrupt the
    // file's structure.
    for (auto part : {section, key, value}) {
        if (part.find_first_of("\r\n") != std::string_view::npos) {
            return Fail(path, "line break in a name or value; not written to", EINVAL);
        }
    }
    // A settings file that is a link stays a link: the file it names is
    // replaced.
    fs::path file = path;
    std::error_code ec;
    if (fs::is_symlink(file, ec)) {
        const fs::path target = fs::read_symlink(file, ec);
        if (!ec) file = target.is_absolute() ? target : file.parent_path() / target;
    }

    int error = 0;
    bool mark = false;
    auto read = ReadLines(file, error, &mark);
    if (!read) return Fail(file, "cannot read", error);
    std::vector<std::string> lines = std::move(*read);
    const std::vector<std::string> before = lines;

    const std::string entryTail = "=" + std::string(value);
    if (auto span = FindSection(lines, section)) {
        std::optional<std::size_t> lastKey;
        bool done = false;
        for (std::size_t i = span->header + 1; i < span->end; ++i) {
            const auto p = Classify(lines[i]);
            if (p.kind != LineParts::kKey) continue;
            if (SameName(p.name, key)) {
                // Keeps the key as the user spelled it.
                lines[i] = std::string(p.name) + entryTail;
                done = true;
                break;
            }
            lastKey = i;
        }
        if (!done) {
            const std::size_t at = lastKey ? *lastKey + 1 : span->header + 1;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                         std::string(key) + entryTail);
        }
    } else {
        if (!lines.empty() && !TrimBlanks(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(std::string(key) + entryTail);
    }
    if (lines == before) return true;

    // The mark the file had stays where it was.
    std::string text(mark ? kUtf8Mark : std::string_view());
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }

    // New files get the usual permissions; a replaced file keeps its own.
    mode_t mode;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ReplaceFailure failure;
    if (!ReplaceFile(
            file, mode, [&](int fd) { return WriteContents(fd, text); }, failure))
        return Fail(file, failure.created ? "cannot write" : "cannot create a file beside",
                    failure.error);
    ++replaced_;
    return true;
}

}  // namespace bb::platform
