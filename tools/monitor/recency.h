// The model's rows from the one silent longest to the latest, as slot numbers 0…n-1: a list linked
// through two arrays, so that moving a row to the end costs a few stores and no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RecencyOrder {
public:
    // Makes slot the latest; a slot equal to size() is added.
    void touch(size_t slot) {
        if (slot == newer_.size()) {
            newer_.push_back(kNone);
            older_.push_back(kNone);
        } else if (slot == newest_) {
            return;
        } else {
            unlink(slot);
        }
        older_[slot] = newest_;
        newer_[slot] = kNone;
        (newest_ == kNone ? oldest_ : newer_[newest_]) = static_cast<uint32_t>(slot);
        newest_ = static_cast<uint32_t>(slot);
    }
    // The slot touched longest ago; only when size() > 0.
    size_t oldest() const { return oldest_; }
    size_t size() const { return newer_.size(); }
    void clear() { *this = RecencyOrder(); }

private:
    static constexpr uint32_t kNone = UINT32_MAX;

    void unlink(size_t slot) {
        (older_[slot] == kNone ? oldest_ : newer_[older_[slot]]) = newer_[slot];
        (newer_[slot] == kNone ? newest_ : older_[newer_[slot]]) = older_[slot];
    }

    std::vector<uint32_t> newer_, older_; // by slot: the next slot towards the latest, and back
    uint32_t oldest_ = kNone, newest_ = kNone;
};
