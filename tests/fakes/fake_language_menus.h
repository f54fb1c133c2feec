// The main window's menus as the language object sees them, recorded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/language.h"

namespace bb::testing {

class FakeLanguageMenus final : public LanguageMenus {
  public:
    std::map<std::string, std::string> captions;
    std::vector<std::string> items;  // item i is items[i - 1]
    std::map<int, bool> checked;
    int listFills = 0;

    void SetMenuCaption(std::string_view menu, std::string_view caption) override {
        captions[std::string(menu)] = std::string(caption);
    }
    void SetLanguageItems(const std::vector<std::string>& names) override {
        items = names;
        checked.clear();
        ++listFills;
    }
    void SetLanguageItemChecked(int index, bool on) override { checked[index] = on; }
    std::string LanguageItemCaption(int index) const override { return items.at(index - 1); }
};

}  // namespace bb::testing
