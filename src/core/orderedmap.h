#pragma once
// The collections of the program: dictionaries that keep insertion order,
// where adding an existing key keeps the first member.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

template <typename K, typename V>
class OrderedMap {
  public:
    // False (and nothing changes) when the key is already present.
    bool Add(const K& key, V value) {
        auto at = LowerBound(key);
        if (at != index_.end() && !(key < items_[*at].first)) return false;
        index_.insert(at, items_.size());
        items_.emplace_back(key, std::move(value));
        return true;
    }
    // Replaces the member's value, or adds it at the end when absent.
    void Set(const K& key, V value) {
        auto at = LowerBound(key);
        if (at != index_.end() && !(key < items_[*at].first)) {
            items_[*at].second = std::move(value);
            return;
        }
        index_.insert(at, items_.size());
        items_.emplace_back(key, std::move(value));
    }
    void Reserve(std::size_t count) {
        items_.reserve(count);
        index_.reserve(count);
    }
    bool Exists(const K& key) const { return Find(key) != kNone; }
    V* Item(const K& key) {
        const std::size_t i = Find(key);
        return i == kNone ? nullptr : &items_[i].second;
    }
    const V* Item(const K& key) const {
        const std::size_t i = Find(key);
        return i == kNone ? nullptr : &items_[i].second;
    }
    bool Remove(const K& key) {
        auto at = LowerBound(key);
        if (at == index_.end() || key < items_[*at].first) return false;
        const std::size_t gone = *at;
        index_.erase(at);
        items_.erase(items_.begin() + static_cast<long>(gone));
        for (auto& i : index_) {
            if (i > gone) --i;
        }
        return true;
    }
    void Clear() {
        items_.clear();
        index_.clear();
    }
    std::size_t Count() const { return items_.size(); }
    std::vector<K> Keys() const {
        std::vector<K> keys;
        for (const auto& kv : items_)
            keys.push_back(kv.first);
        return keys;
    }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // The index holds the positions of the members sorted by key: a look-up
    // is a binary search, and an added member costs no allocation of its own
    // (records of many fields are built by the thousand in lists).
    typename std::vector<std::size_t>::const_iterator LowerBound(const K& key) const {
        return std::lower_bound(index_.begin(), index_.end(), key,
                                [this](std::size_t p, const K& k) { return items_[p].first < k; });
    }
    std::size_t Find(const K& key) const {
        auto at = LowerBound(key);
        return at == index_.end() || key < items_[*at].first ? kNone : *at;
    }

    std::vector<std::pair<K, V>> items_;
    std::vector<std::size_t> index_;
};
