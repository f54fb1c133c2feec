#include "support/language.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "support/app_paths.h"
#include "support/error_trap.h"
#include "support/system_api.h"
#include "support/text_encoding.h"
#include "support/vbtypes.h"

namespace bb {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProcRead = "clsLanguage.read_languageFile";

// Language files are a few hundred bytes; anything this large is not one.
constexpr std::uintmax_t kMaxFileSize = 1 << 20;

bool HasLanguageExtension(const fs::path& p) {
    const std::string ext = UCase(p.extension().string());
    return ext == ".LF";
}

struct MenuText {
    const char* menu;
    const char* key;
    const char* text;
};

constexpr MenuText kMenuTexts[] = {
    {"mnuFile", "MENU0001", "File"},
    {"mnuFileExit", "MENU0002", "Exit"},
    {"mnuOptions", "MENU0003", "Options"},
    {"mnuHelpAbout", "MENU0004", "About this program"},
    {"mnuHelpUpdate", "MENU0005", "Check for updates"},
    {"view", "MENU0006", "View"},
    {"viewAll", "MENU0007", "All stations"},
    {"viewWatched", "MENU0008", "Watched stations"},
    {"viewNear", "MENU0009", "Within %1 km"},
    {"viewHideWeatherAndDigipeaters", "MENU0010", "Hide weather stations and digipeaters"},
    {"watch", "MENU0011", "Watch"},
    {"stopWatching", "MENU0012", "Stop watching"},
};

// The whole file, or an error number when it cannot be read.
std::int32_t ReadWhole(const fs::path& file, std::string& bytes) {
    std::error_code ec;
    const auto status = fs::status(file, ec);
    if (ec || !fs::exists(status)) return err::kFileNotFound;
    if (!fs::is_regular_file(status)) return err::kPathFileAccess;
    if (fs::file_size(file, ec) > kMaxFileSize || ec) return err::kOutOfMemory;
    std::ifstream in(file, std::ios::binary);
    if (!in) return err::kPermissionDenied;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return err::kPathFileAccess;
    return 0;
}

}  // namespace

clsLanguage::clsLanguage(std::vector<fs::path> folders, LanguageMenus& menus,
                         std::function<std::string()> windowTitle)
    : folders_(std::move(folders)), menus_(menus), windowTitle_(std::move(windowTitle)) {
    scan_languageFiles();
}

void clsLanguage::scan_languageFiles() {
    scanning_ = true;
    for (const auto& folder : folders_) {
        std::vector<fs::path> files;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (HasLanguageExtension(it->path()) && it->is_regular_file(ec)) {
                files.push_back(it->path());
            }
        }
        // The folder's own order is arbitrary here; by name the menu is the
        // same on every start.
        std::sort(files.begin(), files.end());
        for (const auto& file : files)
            read_languageFile(file);
    }
    scanning_ = false;
    // The scan leaves the last file's texts behind; they belong to no chosen
    // language, and a stored language without a file must show the marked
    // defaults, not whichever file happened to be read last.
    table_.clear();
    std::vector<std::string> names;
    for (const auto& r : list_)
        names.push_back(r.name);
    menus_.SetLanguageItems(names);
}

bool clsLanguage::read_languageFile(const fs::path& file) {
    table_.clear();
    std::string bytes;
    if (const auto error = ReadWhole(file, bytes)) {
        LogError(FoldErrorNumber(error), kProcRead);
        return false;
    }
    // A UTF-8 file saved with a byte-order mark would hide its first line.
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);

    LanguageRecord* record = nullptr;
    bool definedHere = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        auto end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string_view raw(bytes.data() + at, end - at);
        at = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (raw.size() > 2 && raw.starts_with("\xFF\xFE")) raw.remove_prefix(2);
        if (raw.empty() || raw.front() == ';') continue;
        const std::string line = FileTextToUtf8(raw);

        if (!definedHere && line.starts_with("DEF=")) {
            definedHere = true;
            // Only the scan lists languages; reading a file again to switch
            // to it must not list it twice.
            // A language found again in a later folder (an installed copy
            // beside the user's own file) is listed once, as found first.
            const std::string name = line.substr(4);
            const bool listed =
                std::any_of(list_.begin(), list_.end(),
                            [&](const LanguageRecord& r) { return r.name == name; });
            if (scanning_ && !listed) {
                list_.push_back(LanguageRecord{name, file, 0});
                record = &list_.back();
            }
            continue;
        }
        if (line.starts_with("VER=")) {
            // A version beyond 16 bits is logged and counts as 0; the rest
            // of the file is still read.
            std::int16_t version = 0;
            Trap(kProcRead, [&] { version = CInt(Val(std::string_view(line).substr(4))); });
            // Belongs to this file's language only, never to one read before.
            if (record) record->version = version;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;  // not an entry
        table_.push_back(TranslationEntry{line.substr(0, eq), line.substr(eq + 1)});
    }
    return true;
}

void clsLanguage::language(std::string_view name) {
    auto it = std::find_if(list_.begin(), list_.end(),
                           [&](const LanguageRecord& r) { return r.name == name; });
    if (it != list_.end()) {
        current_ = it->name;
        const fs::path file = it->file;
        read_languageFile(file);
    } else {
        sys::Current().ui->MessageBox(
            "can not locate language file for language " + std::string(name) + ".",
            windowTitle_ ? windowTitle_() : std::string(), sys::kMbOk | sys::kMbIconStop);
    }
    translate();
}

std::string clsLanguage::lookup(std::string_view key, std::string_view defaultText) const {
    for (const auto& e : table_) {
        if (e.key == key) {
            if (e.text.empty()) break;
            return e.text;
        }
    }
    return "* " + std::string(defaultText);
}

void clsLanguage::translate() {
    for (const auto& m : kMenuTexts)
        menus_.SetMenuCaption(m.menu, lookup(m.key, m.text));
}

void clsLanguage::mnuOptionsLangList_Click(int index) {
    const int count = static_cast<int>(list_.size());
    if (index < 1 || index > count) Raise(err::kSubscript, "language list item");
    for (int i = 1; i <= count; ++i)
        menus_.SetLanguageItemChecked(i, i == index);
    language(menus_.LanguageItemCaption(index));
}

std::vector<fs::path> LanguageFolders(const AppPaths& paths) {
    std::vector<fs::path> folders;
    auto add = [&](const fs::path& f) {
        if (std::find(folders.begin(), folders.end(), f) == folders.end()) folders.push_back(f);
    };
    if (!paths.writableFolder.empty()) add(paths.writableFolder / "language");
    for (const auto& d : paths.dataFolders)
        add(d / "language");
    return folders;
}

}  // namespace bb
