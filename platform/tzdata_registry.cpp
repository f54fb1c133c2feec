#include "platform/tzdata_registry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/clock.h"

namespace bb::platform {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

// Reads the name part of a POSIX rule: letters, or anything between < and >.
bool ReadName(std::string_view s, std::size_t& i, std::string& name) {
    if (i < s.size() && s[i] == '<') {
        auto end = s.find('>', i);
        if (end == std::string_view::npos) return false;
        name = std::string(s.substr(i + 1, end - i - 1));
        i = end + 1;
    } else {
        std::size_t b = i;
        while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])))
            ++i;
        name = std::string(s.substr(b, i - b));
    }
    return name.size() >= 3;
}

// [+-]hh[:mm[:ss]] in minutes (seconds dropped).
bool ReadOffset(std::string_view s, std::size_t& i, int& minutes) {
    int sign = 1;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
    int parts[3] = {0, 0, 0};
    for (int p = 0; p < 3; ++p) {
        if (p > 0) {
            if (i >= s.size() || s[i] != ':') break;
            ++i;
        }
        std::size_t b = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i - b < 3) {
            parts[p] = parts[p] * 10 + (s[i] - '0');
            ++i;
        }
        if (i == b) return false;
    }
    minutes = sign * (parts[0] * 60 + parts[1]);
    return true;
}

// Mm.w.d[/time] as a SYSTEMTIME: month, day of week, week (5 = last), time.
bool ReadDate(std::string_view s, std::size_t& i, std::uint16_t (&st)[8]) {
    std::fill(std::begin(st), std::end(st), 0);
    if (i >= s.size()) return false;
    if (s[i] == 'M') {
        ++i;
        int m = 0, w = 0, d = 0;
        int consumed = 0;
        std::string rest(s.substr(i));
        if (std::sscanf(rest.c_str(), "%d.%d.%d%n", &m, &w, &d, &consumed) != 3) return false;
        if (m < 1 || m > 12 || w < 1 || w > 5 || d < 0 || d > 6) return false;
        i += static_cast<std::size_t>(consumed);
        st[1] = static_cast<std::uint16_t>(m);
        st[2] = static_cast<std::uint16_t>(d);
        st[3] = static_cast<std::uint16_t>(w);
    } else {
        // Julian-day rules have no month-week-day form; the record keeps zeros.
        if (s[i] == 'J') ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
    }
    int minutes = 120;  // 02:00 when no time is given
    if (i < s.size() && s[i] == '/') {
        ++i;
        if (!ReadOffset(s, i, minutes)) return false;
    }
    minutes = ((minutes % 1440) + 1440) % 1440;
    st[4] = static_cast<std::uint16_t>(minutes / 60);
    st[5] = static_cast<std::uint16_t>(minutes % 60);
    return true;
}

void PutLe32(std::string& b, std::int32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF));
}
void PutLe16(std::string& b, std::uint16_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
}

// The rule at the end of a version 2+ zone file; nothing for other files.
std::optional<std::string> ZoneFileRule(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char magic[5] = {};
    if (!in.read(magic, 5) || std::string_view(magic, 4) != "TZif" || magic[4] < '2') return {};
    std::error_code ec;
    auto size = fs::file_size(file, ec);
    if (ec || size > (1u << 20)) return {};
    // The rule is the last line of the file: "\n<rule>\n".
    const std::streamoff tail = static_cast<std::streamoff>(std::min<std::uintmax_t>(size, 256));
    in.seekg(-tail, std::ios::end);
    std::string end(static_cast<std::size_t>(tail), '\0');
    if (!in.read(end.data(), tail)) return {};
    if (end.empty() || end.back() != '\n') return {};
    end.pop_back();
    auto nl = end.rfind('\n');
    if (nl == std::string::npos) return {};
    return end.substr(nl + 1);
}

std::string Text(const std::string& s) {
    return s + '\0';
}

}  // namespace

std::optional<ZoneRule> ParsePosixRule(std::string_view s) {
    ZoneRule r;
    std::size_t i = 0;
    if (!ReadName(s, i, r.stdName) || !ReadOffset(s, i, r.stdOffsetMinutes)) return {};
    if (i == s.size()) return r;
    if (!ReadName(s, i, r.dstName)) return {};
    r.hasDst = true;
    r.dstOffsetMinutes = r.stdOffsetMinutes - 60;
    if (i < s.size() && s[i] != ',' && !ReadOffset(s, i, r.dstOffsetMinutes)) return {};
    if (i < s.size()) {
        if (s[i++] != ',' || !ReadDate(s, i, r.dstStart)) return {};
        if (i >= s.size() || s[i++] != ',' || !ReadDate(s, i, r.dstEnd)) return {};
    }
    if (i != s.size()) return {};
    return r;
}

TzdataRegistry::TzdataRegistry(fs::path zoneinfo, std::string configuredZone)
    : zoneinfo_(std::move(zoneinfo)), configured_(std::move(configuredZone)) {}

std::string TzdataRegistry::ConfiguredZone() {
    if (const char* tz = std::getenv("TZ"); tz && *tz) return tz[0] == ':' ? tz + 1 : tz;
    std::error_code ec;
    fs::path link = fs::read_symlink("/etc/localtime", ec);
    if (!ec) {
        std::string s = link.string();
        auto at = s.find("zoneinfo/");
        if (at != std::string::npos) return s.substr(at + 9);
    }
    std::ifstream tzfile("/etc/timezone");
    std::string name;
    if (std::getline(tzfile, name) && !name.empty()) return name;
    return "Etc/UTC";
}

void TzdataRegistry::Load() {
    loaded_ = true;
    std::error_code ec;
    if (!fs::is_directory(zoneinfo_, ec)) return;
    struct Zone {
        std::string name;
        ZoneRule rule;
    };
    std::vector<Zone> zones;
    fs::recursive_directory_iterator it(zoneinfo_, fs::directory_options::skip_permission_denied,
                                        ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path rel = it->path().lexically_relative(zoneinfo_);
        const std::string first = rel.begin()->string();
        // The posix/ and right/ trees repeat the zones; posixrules and
        // localtime are aliases.
        if (it->is_directory(ec)) {
            if (first == "posix" || first == "right") it.disable_recursion_pending();
            continue;
        }
        if (rel == "posixrules" || rel == "localtime" || rel == "Factory") continue;
        auto ruleText = ZoneFileRule(it->path());
        if (!ruleText) continue;
        auto rule = ParsePosixRule(*ruleText);
        if (!rule) continue;
        zones.push_back(Zone{rel.generic_string(), *rule});
    }
    if (zones.empty()) return;
    std::sort(zones.begin(), zones.end(),
              [](const Zone& a, const Zone& b) { return a.name < b.name; });

    const std::string configured = configured_.empty() ? ConfiguredZone() : configured_;
    std::string currentStd;
    for (const std::string& root : {std::string(kZonesKeyNT), std::string(kZonesKey9x)}) {
        Key& table = keys_[Lower(root)];
        for (const Zone& z : zones) {
            table.subkeys.push_back(z.name);
            Key& k = keys_[Lower(root + "\\" + z.name)];
            std::string tzi;
            PutLe32(tzi, z.rule.stdOffsetMinutes);
            PutLe32(tzi, 0);
            PutLe32(tzi, z.rule.hasDst ? z.rule.dstOffsetMinutes - z.rule.stdOffsetMinutes : 0);
            for (std::uint16_t v : z.rule.dstEnd)
                PutLe16(tzi, v);
            for (std::uint16_t v : z.rule.dstStart)
                PutLe16(tzi, v);
            k.values["tzi"] = tzi;
            const int east = -z.rule.stdOffsetMinutes;
            char display[160];
            std::snprintf(display, sizeof display, "(UTC%c%02d:%02d) %s", east < 0 ? '-' : '+',
                          std::abs(east) / 60, std::abs(east) % 60, z.name.c_str());
            k.values["display"] = Text(display);
            k.values["std"] = Text(z.rule.stdName);
            k.values["dlt"] = Text(z.rule.hasDst ? z.rule.dstName : z.rule.stdName);
            k.values["mapid"] = Text("");
            if (z.name == configured) currentStd = z.rule.stdName;
        }
    }
    keys_[Lower(kCurrentZoneKey)].values["standardname"] = Text(currentStd);
}

const TzdataRegistry::Key* TzdataRegistry::Find(std::string_view path) {
    if (!loaded_) Load();
    auto it = keys_.find(Lower(path));
    return it == keys_.end() ? nullptr : &it->second;
}

bool TzdataRegistry::OpenKey(std::string_view path, std::uint32_t) {
    return Find(path) != nullptr;
}

std::optional<std::string> TzdataRegistry::EnumKey(std::string_view path, std::uint32_t index) {
    const Key* k = Find(path);
    if (!k || index >= k->subkeys.size()) return {};
    return k->subkeys[index];
}

std::optional<std::string> TzdataRegistry::QueryValue(std::string_view path,
                                                      std::string_view name) {
    const Key* k = Find(path);
    if (!k) return {};
    auto it = k->values.find(Lower(name));
    if (it == k->values.end()) return {};
    return it->second;
}

}  // namespace bb::platform
