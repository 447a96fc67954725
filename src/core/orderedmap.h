#pragma once
// The collections of the program: dictionaries that keep insertion order,
// where adding an existing key keeps the first member.
#include <unordered_map>
#include <utility>
#include <vector>

template <typename K, typename V>
class OrderedMap {
  public:
    // False (and nothing changes) when the key is already present.
    bool Add(const K& key, V value) {
        if (!index_.try_emplace(key, items_.size()).second) return false;
        items_.emplace_back(key, std::move(value));
        return true;
    }
    bool Exists(const K& key) const { return index_.count(key) != 0; }
    V* Item(const K& key) {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &items_[it->second].second;
    }
    const V* Item(const K& key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &items_[it->second].second;
    }
    bool Remove(const K& key) {
        auto it = index_.find(key);
        if (it == index_.end()) return false;
        items_.erase(items_.begin() + static_cast<long>(it->second));
        index_.clear();
        for (std::size_t i = 0; i < items_.size(); ++i)
            index_.emplace(items_[i].first, i);
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
    std::vector<std::pair<K, V>> items_;
    // Hashed: look-ups by key are the collections' hot path (a reservation
    // list sets every field of every row through one).
    std::unordered_map<K, std::size_t> index_;
};
