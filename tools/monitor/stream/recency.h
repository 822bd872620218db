// The model's rows from the one silent longest to the latest, as row indexes 0…n-1: a list linked
// through two arrays, so that moving a row to the end costs a few stores and no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace monitor {

class RecencyOrder {
public:
    // Makes index the latest; a index equal to size() is added.
    void touch(size_t index) {
        if (index == newer_.size()) {
            newer_.push_back(kNone);
            older_.push_back(kNone);
        } else if (index == newest_) {
            return;
        } else {
            unlink(index);
        }
        older_[index] = newest_;
        newer_[index] = kNone;
        (newest_ == kNone ? oldest_ : newer_[newest_]) = static_cast<uint32_t>(index);
        newest_ = static_cast<uint32_t>(index);
    }
    // The index touched longest ago; only when size() > 0.
    size_t oldest() const { return oldest_; }
    size_t size() const { return newer_.size(); }
    void clear() { *this = RecencyOrder(); }

private:
    static constexpr uint32_t kNone = UINT32_MAX;

    void unlink(size_t index) {
        (older_[index] == kNone ? oldest_ : newer_[older_[index]]) = newer_[index];
        (newer_[index] == kNone ? newest_ : older_[newer_[index]]) = older_[index];
    }

    std::vector<uint32_t> newer_, older_; // by index: the next index towards the latest, and back
    uint32_t oldest_ = kNone, newest_ = kNone;
};

} // namespace monitor
