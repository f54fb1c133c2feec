// The board's copy of every heard station. Records are appended, one per
// beacon; a superseded or removed record is marked deleted and every reader
// skips it. An index from callsign to its live records answers find_station
// without scanning, and deleted records are compacted away once they are a
// quarter of the live ones, so the table never fills up on a long run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "stations/station_record.h"

namespace bb {

// Told when the table renumbers its records, so that whoever keeps indices
// into it keeps them right.
class TableWatcher {
  public:
    virtual ~TableWatcher() = default;
    // `moved[old]` is the record's new index, or -1 for a record dropped.
    virtual void TableCompacted(const std::vector<std::int32_t>& moved) = 0;
    // Every record is gone (a new scan, or the first append after none).
    virtual void TableReset() = 0;
    // The station's live record has gone, come back or been named.
    virtual void StationTouched(std::string_view callsign) = 0;
};

class StationTable {
  public:
    StationTable();

    // One empty record at index 0 and a count of 0, as after a full scan starts.
    void Reset();

    // Records appended and still held; the upper bound is StationCount() - 1,
    // except at 0, when the table holds its one empty record.
    std::int32_t StationCount() const { return count_; }
    std::int32_t UpperBound() const { return static_cast<std::int32_t>(records_.size()) - 1; }
    std::int32_t LiveCount() const { return live_; }

    // Error 9 outside 0 to UpperBound().
    const StationRecord& operator[](std::int32_t index) const;
    // For every field but Callsign and Deleted, which go through the table so
    // that its index follows them.
    StationRecord& Edit(std::int32_t index);

    // The lowest index whose record has exactly `callsign` and is live; -1 when none.
    std::int32_t find_station(std::string_view callsign) const;
    // The live records of one callsign: one, unless the host listed it twice.
    std::int32_t LiveRecordsOf(std::string_view callsign) const;
    void Touched(std::string_view callsign) const;
    void AddWatcher(TableWatcher* watcher) { watchers_.push_back(watcher); }
    void RemoveWatcher(TableWatcher* watcher) { std::erase(watchers_, watcher); }
    // True when a live record of `callsign` lies after `index`.
    bool HasNewerLive(std::string_view callsign, std::int32_t index) const;

    // Marks every live record of `callsign` deleted; returns their indices so
    // that a failed intake can restore them.
    std::vector<std::int32_t> Supersede(std::string_view callsign);
    void Restore(const std::vector<std::int32_t>& indices);
    // Marks every record of `callsign` deleted, and a record of it waiting
    // for its fill too: the beacon it holds came before the delete.
    void MarkDeleted(std::string_view callsign);
    void SetDeleted(std::int32_t index, bool deleted);
    void SetCallsign(std::int32_t index, std::string callsign);

    // Appends one empty live record and returns its index. The count is raised
    // only once the record exists (error 6 at the 32-bit limit, 7 when memory
    // runs out); a failed append leaves the table as it was.
    std::int32_t Append();

    // Compacts once the deleted records are a quarter of the live ones (a
    // full table then holds at most a quarter more records than stations),
    // unless a fill is pending: an index fixed before a pause must stay
    // valid through it.
    void CompactIfWorthIt();

    // Held by an intake from its append to the end of its fill. A station
    // heard again names the record it had (`shown`, -1 for none): the
    // station is not gone while its new record waits for the fill.
    class PendingFill {
      public:
        explicit PendingFill(StationTable& t) : table_(t) { ++table_.pending_; }
        PendingFill(StationTable& t, std::string callsign, std::int32_t shown) : PendingFill(t) {
            filling_ = table_.filling_.size();
            table_.filling_.push_back({std::move(callsign), shown});
        }
        ~PendingFill() {
            --table_.pending_;
            if (filling_ != kNone) table_.filling_.pop_back();
        }
        // The host deleted the station while this record waited for its fill.
        bool DeletedMeanwhile() const {
            return filling_ != kNone && table_.filling_[filling_].deleted;
        }
        PendingFill(const PendingFill&) = delete;
        PendingFill& operator=(const PendingFill&) = delete;

      private:
        static constexpr std::size_t kNone = SIZE_MAX;
        StationTable& table_;
        std::size_t filling_ = kNone;  // its place among the table's pending fills
    };

    // The superseded record that stands for a station heard again while its
    // new record waits for its fill; -1 when the station has a live record
    // or none is pending.
    std::int32_t ShownUntilFilled(std::string_view callsign) const;

    // Held by anyone who walks the records across message pauses: the table
    // is not compacted under them (records may still be appended).
    using WalkHold = PendingFill;

    // Drops the deleted records; the live ones keep their relative order.
    // Indices held by anyone are invalid afterwards.
    void Compact();

    // The records with the Emergency flag, deleted ones among them, in table
    // order: the alarm looks at these rather than at every record. The flag
    // is read again from each record handed out by Edit since the last call.
    std::vector<std::int32_t> EmergencyRecords() const;

    // Calls `f(index, record)` for every live record, in table order.
    void ForEachLive(const std::function<void(std::int32_t, const StationRecord&)>& f) const;

    // The index recomputed from the records equals the one kept (for tests).
    bool IndexIsConsistent() const;

    static constexpr std::size_t kMinRecordsToCompact = 256;

  private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>{}(s);
        }
    };
    // Ascending indices of one callsign's live records. Nearly every
    // station has one, kept in place; only more take a vector of their own.
    class IndexList {
      public:
        bool empty() const { return size() == 0; }
        std::size_t size() const { return many_ ? many_->size() : one_ >= 0 ? 1 : 0; }
        std::span<std::int32_t> Indices() {
            if (many_) return *many_;
            return {&one_, one_ >= 0 ? 1u : 0u};
        }
        std::span<const std::int32_t> Indices() const {
            return const_cast<IndexList*>(this)->Indices();
        }
        std::int32_t front() const { return Indices().front(); }
        std::int32_t back() const { return Indices().back(); }
        void push_back(std::int32_t index);
        // Keeps the order; an index already held is not added twice.
        void Insert(std::int32_t index);
        void Erase(std::int32_t index);
        // The indices, leaving the list empty.
        std::vector<std::int32_t> Take();

      private:
        std::int32_t one_ = -1;  // the one index, or -1 for none (without many_)
        std::unique_ptr<std::vector<std::int32_t>> many_;
    };
    // Callsigns are short: keyed by a short text, the map's entries are 16 bytes smaller.
    using Index = std::unordered_map<ShortText, IndexList, Hash, std::equal_to<>>;

    void CheckIndex(std::int32_t index) const;
    void IndexAdd(std::string_view callsign, std::int32_t index);
    void IndexRemove(std::string_view callsign, std::int32_t index);

    std::vector<StationRecord> records_;
    Index live_index_;  // callsign -> ascending indices of its live records
    // The entry of the empty callsign: appended records wait there for their
    // fill. Entries keep their address when the map grows.
    IndexList* pending_list_ = nullptr;
    std::vector<TableWatcher*> watchers_;
    std::int32_t count_ = 0;
    std::int32_t live_ = 0;
    int pending_ = 0;
    // The stations whose fills are pending, each with its record before (-1
    // for none) and whether the host deleted it meanwhile; nested intakes
    // end first, so the last is the innermost.
    struct Filling {
        std::string callsign;
        std::int32_t shown = -1;
        bool deleted = false;
    };
    std::vector<Filling> filling_;
    // The records flagged Emergency when last read, ascending; the records
    // edited since, to be read again; or, after more edits than records,
    // every record to be read.
    mutable std::vector<std::int32_t> emergencies_;
    mutable std::vector<std::int32_t> edited_;
    mutable bool rereadAll_ = false;
};

}  // namespace bb
