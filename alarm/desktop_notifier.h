// The desktop's notifications, as the emergency check uses them: one note
// per tag (a callsign), shown anew in place of the last one of that tag,
// and what the user does with it told back by tag.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bb {

struct DesktopNote {
    std::string summary;
    std::string body;
    // The buttons: a key told back when pressed, and the caption shown.
    std::vector<std::pair<std::string, std::string>> actions;
    // An emergency: shown as critical until it is dealt with. Otherwise a
    // note of normal urgency with the board's own icon.
    bool urgent = true;
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

// One notifier shared by several users, each with its own tags and its own
// handler: a user's tags go out with its prefix, and what comes back for a
// tag goes to the user of the longest prefix it begins with.
class NotifierRouter {
  public:
    explicit NotifierRouter(DesktopNotifier& notifier) : notifier_(notifier) {
        notifier_.SetHandler([this](const std::string& tag, const std::string& action) {
            Channel* best = nullptr;
            for (auto& [prefix, channel] : channels_)
                if (tag.starts_with(prefix) && (!best || prefix.size() > best->prefix.size()))
                    best = channel.get();
            if (best && best->handler) best->handler(tag.substr(best->prefix.size()), action);
        });
    }
    ~NotifierRouter() { notifier_.SetHandler(nullptr); }
    NotifierRouter(const NotifierRouter&) = delete;
    NotifierRouter& operator=(const NotifierRouter&) = delete;

    // The notifier of the tags beginning with `prefix`.
    DesktopNotifier& For(const std::string& prefix) {
        auto& channel = channels_[prefix];
        if (!channel) channel = std::make_unique<Channel>(notifier_, prefix);
        return *channel;
    }

  private:
    struct Channel final : DesktopNotifier {
        Channel(DesktopNotifier& n, std::string p) : notifier(n), prefix(std::move(p)) {}
        void Show(const std::string& tag, const DesktopNote& note) override {
            notifier.Show(prefix + tag, note);
        }
        void Close(const std::string& tag) override { notifier.Close(prefix + tag); }
        void SetHandler(Handler h) override { handler = std::move(h); }
        DesktopNotifier& notifier;
        std::string prefix;
        Handler handler;
    };
    DesktopNotifier& notifier_;
    std::map<std::string, std::unique_ptr<Channel>> channels_;
};

}  // namespace bb
