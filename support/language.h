// The user-interface languages. Each language is a ".lf" file in a
// "language" folder: "DEF=" names the language, "VER=" gives its version,
// and every other "key=text" line is a translation. Whatever the chosen file
// lacks shows as the built-in English text marked "* ".
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bb {

struct AppPaths;

// The main window's menus as the language object sets them.
class LanguageMenus {
  public:
    virtual ~LanguageMenus() = default;
    // `menu` is the menu's name ("mnuFile").
    virtual void SetMenuCaption(std::string_view menu, std::string_view caption) = 0;
    // Replaces the language list by one item per name, numbered from 1; the
    // list's hidden design element keeps number 0.
    virtual void SetLanguageItems(const std::vector<std::string>& names) = 0;
    virtual void SetLanguageItemChecked(int index, bool checked) = 0;
    virtual std::string LanguageItemCaption(int index) const = 0;
};

struct LanguageRecord {
    std::string name;
    std::filesystem::path file;
    std::int16_t version = 0;
};

struct TranslationEntry {
    std::string key;
    std::string text;
};

class clsLanguage {
  public:
    // Scans `folders` in order for language files and fills the menu's
    // language list. `windowTitle` gives the caption of its message boxes.
    clsLanguage(std::vector<std::filesystem::path> folders, LanguageMenus& menus,
                std::function<std::string()> windowTitle);

    // Switches to the language of that name; a name without a file shows a
    // message and keeps the current texts. Either way the menus are
    // translated again.
    void language(std::string_view name);
    const std::string& get_language() const { return current_; }

    // The text for `key`, or "* " + `defaultText` when there is none.
    std::string lookup(std::string_view key, std::string_view defaultText) const;
    void translate();

    // The language list's click: ticks item `index` alone and switches to
    // its language.
    void mnuOptionsLangList_Click(int index);

    const std::vector<LanguageRecord>& LanguageList() const { return list_; }
    const std::vector<TranslationEntry>& TranslationTable() const { return table_; }

    // Reads one file into the translation table; false when it cannot be
    // read (logged; the table is then empty).
    bool read_languageFile(const std::filesystem::path& file);

  private:
    void scan_languageFiles();

    std::vector<std::filesystem::path> folders_;
    LanguageMenus& menus_;
    std::function<std::string()> windowTitle_;
    std::vector<LanguageRecord> list_;
    std::vector<TranslationEntry> table_;
    std::string current_;
    bool scanning_ = false;
};

// Where the running program looks for language files: the user's own
// folder first (so a user can add or mend a language in an installed copy),
// then the shipped ones.
std::vector<std::filesystem::path> LanguageFolders(const AppPaths& paths);

}  // namespace bb
