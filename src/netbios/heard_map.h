// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <list>
#include <map>

namespace lyr::netbios {

// A map of what was heard on the network, bounded against a flood of invented keys: when it is
// full, a newcomer takes the place of the entry heard from least recently, so that whoever
// speaks after a flood is still taken. Iterates in key order.
template <typename Key, typename Value>
class HeardMap {
public:
    explicit HeardMap(size_t bound) : bound_(bound) {}

    struct Heard {
        Value& value;
        bool added;      // the key was not there
        bool displaced;  // and took the place of the entry heard from least recently
    };

    // The entry of `key`, now the one heard from most recently; a new one starts as Value{}.
    Heard Hear(const Key& key) {
        if (auto found = entries_.find(key); found != entries_.end()) {
            order_.splice(order_.end(), order_, found->second.place);
            return {found->second.value, false, false};
        }
        bool displaced = entries_.size() >= bound_;
        if (displaced) {
            entries_.erase(order_.front());
            order_.pop_front();
        }
        auto place = order_.insert(order_.end(), key);
        auto entry = entries_.emplace(key, Entry{Value{}, place}).first;
        return {entry->second.value, true, displaced};
    }

    // Whether the key was there.
    bool Erase(const Key& key) {
        auto found = entries_.find(key);
        if (found == entries_.end()) {
            return false;
        }
        order_.erase(found->second.place);
        entries_.erase(found);
        return true;
    }

    // Erases every entry for which drop(key, value) is true; whether any was.
    template <typename Predicate>
    bool EraseIf(Predicate drop) {
        size_t before = entries_.size();
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (drop(it->first, it->second.value)) {
                order_.erase(it->second.place);
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
        return entries_.size() != before;
    }

    template <typename Visit>
    void ForEach(Visit visit) const {
        for (const auto& [key, entry] : entries_) {
            visit(key, entry.value);
        }
    }

    size_t Size() const { return entries_.size(); }
    bool Contains(const Key& key) const { return entries_.count(key) != 0; }

private:
    struct Entry {
        Value value;
        typename std::list<Key>::iterator place;  // in order_
    };
    const size_t bound_;
    std::map<Key, Entry> entries_;
    std::list<Key> order_;  // least recently heard first
};

}  // namespace lyr::netbios
