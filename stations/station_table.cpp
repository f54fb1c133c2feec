#include "stations/station_table.h"

#include <algorithm>

#include "support/error_trap.h"
#include "support/vbtypes.h"

namespace bb {

void StationTable::IndexList::push_back(std::int32_t index) {
    if (many_) {
        many_->push_back(index);
    } else if (one_ < 0) {
        one_ = index;
    } else {
        many_ = std::make_unique<std::vector<std::int32_t>>(std::vector<std::int32_t>{one_, index});
        one_ = -1;
    }
}

void StationTable::IndexList::Insert(std::int32_t index) {
    if (empty() || back() < index) return push_back(index);
    std::vector<std::int32_t> list = Take();
    auto at = std::lower_bound(list.begin(), list.end(), index);
    if (at == list.end() || *at != index) list.insert(at, index);
    many_ = std::make_unique<std::vector<std::int32_t>>(std::move(list));
}

void StationTable::IndexList::Erase(std::int32_t index) {
    if (!many_) {
        if (one_ == index) one_ = -1;
        return;
    }
    auto at = std::lower_bound(many_->begin(), many_->end(), index);
    if (at != many_->end() && *at == index) many_->erase(at);
    if (many_->size() == 1) {
        one_ = many_->front();
        many_.reset();
    }
}

std::vector<std::int32_t> StationTable::IndexList::Take() {
    std::vector<std::int32_t> taken;
    if (many_) {
        taken = std::move(*many_);
        many_.reset();
    } else if (one_ >= 0) {
        taken.push_back(one_);
    }
    one_ = -1;
    return taken;
}

StationTable::StationTable() {
    Reset();
}

void StationTable::Reset() {
    records_.assign(1, StationRecord{});
    live_index_.clear();
    pending_list_ = &live_index_[""];
    pending_list_->push_back(0);
    count_ = 0;
    live_ = 1;
    emergencies_.clear();
    edited_.clear();
    rereadAll_ = false;
    for (Filling& fill : filling_)
        fill.shown = -1;
    for (TableWatcher* w : watchers_)
        w->TableReset();
}

void StationTable::CheckIndex(std::int32_t index) const {
    if (index < 0 || index > UpperBound()) Raise(err::kSubscript, "station index");
}

const StationRecord& StationTable::operator[](std::int32_t index) const {
    CheckIndex(index);
    return records_[static_cast<std::size_t>(index)];
}

StationRecord& StationTable::Edit(std::int32_t index) {
    CheckIndex(index);
    // Bounded when nobody asks for the emergencies: past one edit a record,
    // every record is read again instead.
    if (!rereadAll_) {
        if (edited_.size() >= records_.size()) {
            rereadAll_ = true;
            edited_.clear();
        } else {
            edited_.push_back(index);
        }
    }
    return records_[static_cast<std::size_t>(index)];
}

std::vector<std::int32_t> StationTable::EmergencyRecords() const {
    if (rereadAll_) {
        emergencies_.clear();
        for (std::int32_t i = 0; i < count_; ++i)
            if (records_[static_cast<std::size_t>(i)].Emergency) emergencies_.push_back(i);
        rereadAll_ = false;
    } else if (!edited_.empty()) {
        std::ranges::sort(edited_);
        edited_.erase(std::unique(edited_.begin(), edited_.end()), edited_.end());
        for (const std::int32_t i : edited_) {
            const auto at = std::ranges::lower_bound(emergencies_, i);
            const bool listed = at != emergencies_.end() && *at == i;
            const bool flagged = records_[static_cast<std::size_t>(i)].Emergency;
            if (flagged && !listed)
                emergencies_.insert(at, i);
            else if (!flagged && listed)
                emergencies_.erase(at);
        }
    }
    edited_.clear();
    // The table's one empty record, before the first append, is no station.
    std::vector<std::int32_t> out = emergencies_;
    std::erase_if(out, [&](std::int32_t i) { return i >= count_; });
    return out;
}

std::int32_t StationTable::find_station(std::string_view callsign) const {
    auto it = live_index_.find(callsign);
    return it == live_index_.end() || it->second.empty() ? -1 : it->second.front();
}

std::int32_t StationTable::LiveRecordsOf(std::string_view callsign) const {
    auto it = live_index_.find(callsign);
    return it == live_index_.end() ? 0 : static_cast<std::int32_t>(it->second.size());
}

std::int32_t StationTable::ShownUntilFilled(std::string_view callsign) const {
    if (filling_.empty() || find_station(callsign) >= 0) return -1;
    for (auto it = filling_.rbegin(); it != filling_.rend(); ++it) {
        if (it->callsign == callsign && it->shown >= 0 && it->shown <= UpperBound())
            return it->shown;
    }
    return -1;
}

bool StationTable::HasNewerLive(std::string_view callsign, std::int32_t index) const {
    auto it = live_index_.find(callsign);
    return it != live_index_.end() && !it->second.empty() && it->second.back() > index;
}

void StationTable::IndexAdd(std::string_view callsign, std::int32_t index) {
    // Appends come last; only a fill after a pause lands before later records.
    live_index_[ShortText(callsign)].Insert(index);
}

void StationTable::IndexRemove(std::string_view callsign, std::int32_t index) {
    IndexList* found = pending_list_;
    if (!callsign.empty()) {
        auto it = live_index_.find(callsign);
        if (it == live_index_.end()) return;
        found = &it->second;
    }
    found->Erase(index);
}

void StationTable::Touched(std::string_view callsign) const {
    if (callsign.empty()) return;
    for (TableWatcher* w : watchers_)
        w->StationTouched(callsign);
}

std::vector<std::int32_t> StationTable::Supersede(std::string_view callsign) {
    auto it = live_index_.find(callsign);
    if (it == live_index_.end() || it->second.empty()) return {};
    Touched(callsign);
    // The station's entry stays (empty) for its next beacon; compaction drops
    // the entries of stations gone for good.
    std::vector<std::int32_t> marked = it->second.Take();
    for (std::int32_t i : marked)
        records_[static_cast<std::size_t>(i)].Deleted = true;
    live_ -= static_cast<std::int32_t>(marked.size());
    return marked;
}

void StationTable::Restore(const std::vector<std::int32_t>& indices) {
    for (std::int32_t i : indices) {
        if (i >= 0 && i <= UpperBound()) SetDeleted(i, false);
    }
}

void StationTable::MarkDeleted(std::string_view callsign) {
    Supersede(callsign);
    // A fill waiting holds an older beacon; nor is the record before shown meanwhile.
    for (Filling& fill : filling_) {
        if (fill.callsign != callsign) continue;
        fill.deleted = true;
        fill.shown = -1;
    }
}

void StationTable::SetDeleted(std::int32_t index, bool deleted) {
    StationRecord& r = Edit(index);
    if (r.Deleted == deleted) return;
    r.Deleted = deleted;
    Touched(r.Callsign);
    if (deleted) {
        IndexRemove(r.Callsign, index);
        --live_;
    } else {
        IndexAdd(r.Callsign, index);
        ++live_;
    }
}

void StationTable::SetCallsign(std::int32_t index, std::string callsign) {
    StationRecord& r = Edit(index);
    if (r.Callsign == callsign) return;
    if (!r.Deleted) {
        IndexRemove(r.Callsign, index);
        IndexAdd(callsign, index);
        Touched(r.Callsign);
        Touched(callsign);
    }
    r.Callsign = std::move(callsign);
}

std::int32_t StationTable::Append() {
    if (count_ == 0) {
        // The first append takes the place of the empty record.
        Reset();
        records_[0] = StationRecord{};
        count_ = 1;
        return 0;
    }
    const std::int32_t newCount = CheckedAdd<std::int32_t>(count_, 1);
    records_.emplace_back();  // may throw; the count is raised only after it
    count_ = newCount;
    const std::int32_t index = count_ - 1;
    pending_list_->push_back(index);
    ++live_;
    return index;
}

void StationTable::CompactIfWorthIt() {
    if (pending_ == 0 && records_.size() >= kMinRecordsToCompact &&
        records_.size() - static_cast<std::size_t>(live_) > static_cast<std::size_t>(live_) / 4)
        Compact();
}

void StationTable::Compact() {
    if (count_ == 0) return;
    // In place and stable; `moved[old]` is the record's new index.
    std::vector<std::int32_t> moved(records_.size(), -1);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].Deleted) continue;
        if (kept != i) records_[kept] = std::move(records_[i]);
        moved[i] = static_cast<std::int32_t>(kept++);
    }
    records_.resize(kept);
    if (records_.empty()) {
        Reset();
        return;
    }
    // The emergencies known, and the records waiting to be read again,
    // renumbered; the deleted ones go.
    for (std::vector<std::int32_t>* list : {&emergencies_, &edited_}) {
        for (std::int32_t& index : *list)
            index = static_cast<std::size_t>(index) < moved.size()
                        ? moved[static_cast<std::size_t>(index)]
                        : -1;
        std::erase(*list, -1);
    }
    count_ = static_cast<std::int32_t>(records_.size());
    // Renumber the index where it stands; entries of stations without a live
    // record go.
    for (auto it = live_index_.begin(); it != live_index_.end();) {
        if (it->second.empty() && !it->first.empty()) {
            it = live_index_.erase(it);
            continue;
        }
        for (std::int32_t& index : it->second.Indices())
            index = moved[static_cast<std::size_t>(index)];
        ++it;
    }
    for (Filling& fill : filling_)
        fill.shown = fill.shown < 0 ? -1 : moved[static_cast<std::size_t>(fill.shown)];
    for (TableWatcher* w : watchers_)
        w->TableCompacted(moved);
}

void StationTable::ForEachLive(
    const std::function<void(std::int32_t, const StationRecord&)>& f) const {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (!records_[i].Deleted) f(static_cast<std::int32_t>(i), records_[i]);
    }
}

bool StationTable::IndexIsConsistent() const {
    std::unordered_map<std::string, std::vector<std::int32_t>> expected;
    std::int32_t live = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].Deleted) continue;
        expected[records_[i].Callsign].push_back(static_cast<std::int32_t>(i));
        ++live;
    }
    // Entries kept empty for stations without a live record are allowed.
    for (const auto& [callsign, list] : live_index_) {
        auto it = expected.find(callsign);
        if (it == expected.end() ? !list.empty() : !std::ranges::equal(it->second, list.Indices()))
            return false;
    }
    for (const auto& entry : expected) {
        if (!live_index_.count(entry.first)) return false;
    }
    return live == live_ && (count_ == 0 ? records_.size() == 1
                                         : records_.size() == static_cast<std::size_t>(count_));
}

}  // namespace bb
