#include "host/feed.h"

#include "host/station_list.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <cctype>
#include <ctime>
#include <fstream>

namespace bb::hostapp {
namespace {

double MonotonicSeconds() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed() / 1e9;
}

// A long line is a broken feed, not a packet; it must not cost memory.
constexpr std::size_t kMaxLine = 4096;

}  // namespace

std::optional<std::int64_t> SplitFeedTime(std::string_view& line) {
    // YYYY-MM-DDTHH:MM:SSZ and a blank: 21 characters.
    if (line.size() < 21 || line[4] != '-' || line[7] != '-' || line[10] != 'T' ||
        line[13] != ':' || line[16] != ':' || line[19] != 'Z' || line[20] != ' ')
        return std::nullopt;
    auto num = [&](std::size_t at, std::size_t n, int& out) {
        out = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
            out = out * 10 + (line[i] - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, s;
    if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d) || !num(11, 2, h) || !num(14, 2, mi) ||
        !num(17, 2, s) || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60)
        return std::nullopt;
    line.remove_prefix(21);
    return UtcSeconds(y, mo, d, h, mi, s);
}

bool FeedReplay::Load(const std::string& path, std::vector<std::string>& lines,
                      std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#' || line.size() > kMaxLine) continue;
        lines.push_back(line);
    }
    return true;
}

FeedReplay::FeedReplay(std::vector<std::string> lines, double speed, bool loop, QObject* parent)
    : QObject(parent), speed_(speed < 0 ? 0 : speed), loop_(loop) {
    std::optional<std::int64_t> first;
    double last = 0;
    for (std::string& raw : lines) {
        std::string_view view(raw);
        const auto t = SplitFeedTime(view);
        if (t) {
            if (!first) first = *t;
            // A clock that steps back plays the line at once, never earlier lines again.
            last = std::max(last, static_cast<double>(*t - *first));
        }
        items_.push_back({last, std::string(view), t.value_or(0)});
    }
    passLength_ = last + 1;
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &FeedReplay::Next);
}

void FeedReplay::Start() {
    passStart_ = MonotonicSeconds();
    next_ = 0;
    timer_.start(0);
}

void FeedReplay::Next() {
    // A bounded batch per turn keeps the host's window and bus answering.
    constexpr int kBatch = 200;
    const double now = MonotonicSeconds();
    for (int n = 0; n < kBatch; ++n) {
        if (next_ >= items_.size()) {
            if (!loop_ || items_.empty()) {
                emit Finished();
                return;
            }
            next_ = 0;
            passStart_ += speed_ > 0 ? passLength_ / speed_ : 0;
        }
        const Item& item = items_[next_];
        const double due = speed_ > 0 ? passStart_ + item.due / speed_ : 0;
        if (due > now) {
            timer_.start(static_cast<int>((due - now) * 1000) + 1);
            return;
        }
        ++next_;
        emit Line(item.packet, item.recorded);
    }
    timer_.start(0);
}

StdinFeed::StdinFeed(QObject* parent)
    : QObject(parent), notifier_(STDIN_FILENO, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &StdinFeed::Readable);
}

void StdinFeed::Readable() {
    char buffer[8192];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        notifier_.setEnabled(false);
        if (!pending_.empty() && pending_.size() <= kMaxLine) emit Line(pending_);
        pending_.clear();
        emit Finished();
        return;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t nl; (nl = pending_.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string_view line(pending_.data() + start, nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (skipping_) {
            skipping_ = false;
        } else if (!line.empty() && line.size() <= kMaxLine) {
            SplitFeedTime(line);
            emit Line(std::string(line));
        }
    }
    pending_.erase(0, start);
    if (pending_.size() > kMaxLine) {  // a line without end is dropped, up to its end
        pending_.clear();
        skipping_ = true;
    }
}

}  // namespace bb::hostapp
