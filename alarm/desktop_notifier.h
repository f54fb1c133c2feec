// The desktop's notifications, as the emergency check uses them: one note
// per tag (a callsign), shown anew in place of the last one of that tag,
// and what the user does with it told back by tag.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bb {

struct DesktopNote {
    std::string summary;
    std::string body;
    // The buttons: a key told back when pressed, and the caption shown.
    std::vector<std::pair<std::string, std::string>> actions;
    bool operator==(const DesktopNote&) const = default;
};

class DesktopNotifier {
  public:
    // A button of the note of `tag` was pressed (`action` its key), or the
    // note went (`action` empty): closed by the user or by the desktop.
    using Handler = std::function<void(const std::string& tag, const std::string& action)>;

    virtual ~DesktopNotifier() = default;
    // Shows `note`, replacing the one of `tag` if it is still up.
    virtual void Show(const std::string& tag, const DesktopNote& note) = 0;
    // Closes the note of `tag`, if any (closed by the user, nothing); no
    // handler call follows.
    virtual void Close(const std::string& tag) = 0;
    virtual void SetHandler(Handler handler) = 0;
};

}  // namespace bb
