// A list reached only through an index of its own type.  A campaign keeps
// several lists side by side (files, occupations as read, occupations as
// formed, stations), all indexed from 0; with an index type per list, an
// index into one cannot be used on another without the compiler saying so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

namespace min_lumo_tool {

// The position an index stands for, and the index of a position.
template <typename Index>
constexpr std::size_t Slot(Index index) {
    return static_cast<std::size_t>(index);
}
template <typename Index>
constexpr Index Index_At(std::size_t slot) {
    return static_cast<Index>(static_cast<int32_t>(slot));
}

// The indices 0 .. count-1 of a list, for `for (Index i : list.Indices())`.
template <typename Index>
class IndexRange {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Index;
        using difference_type = std::ptrdiff_t;
        using pointer = const Index*;
        using reference = Index;

        Iterator() = default;
        explicit Iterator(std::size_t slot) : slot_(slot) {}
        Index operator*() const { return Index_At<Index>(slot_); }
        Iterator& operator++() {
            ++slot_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++slot_;
            return before;
        }
        bool operator==(const Iterator&) const = default;

    private:
        std::size_t slot_ = 0;
    };

    explicit IndexRange(std::size_t count) : count_(count) {}
    Iterator begin() const { return Iterator(0); }
    Iterator end() const { return Iterator(count_); }

private:
    std::size_t count_;
};

template <typename Index, typename Item>
class IndexedList {
public:
    IndexedList() = default;
    IndexedList(std::initializer_list<Item> items) : items_(items) {}

    const Item& operator[](Index index) const { return items_[Slot(index)]; }
    Item& operator[](Index index) { return items_[Slot(index)]; }
    const Item& at(Index index) const { return items_.at(Slot(index)); }

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    bool Holds(Index index) const { return static_cast<int32_t>(index) >= 0 && Slot(index) < items_.size(); }
    IndexRange<Index> Indices() const { return IndexRange<Index>(items_.size()); }

    // Adds an item and returns its index.
    Index push_back(Item item) {
        items_.push_back(std::move(item));
        return Index_At<Index>(items_.size() - 1);
    }
    void assign(std::size_t count, const Item& item) { items_.assign(count, item); }
    void resize(std::size_t count) { items_.resize(count); }
    void reserve(std::size_t count) { items_.reserve(count); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    const Item& front() const { return items_.front(); }
    const Item& back() const { return items_.back(); }

    // The items in index order, for what takes a plain vector.
    const std::vector<Item>& Items() const { return items_; }

    bool operator==(const IndexedList&) const = default;

private:
    std::vector<Item> items_;
};

}  // namespace min_lumo_tool
