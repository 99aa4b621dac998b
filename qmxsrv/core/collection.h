// The program's collections: objects in 1-based positions, owned by the
// collection and freed when removed. An object keeps its address while it is
// in the collection, however the collection grows.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qmxsrv {

template <typename T> class Collection {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool contains(int position) const { return position >= 1 && position <= Count(); }

    // The object at a 1-based position; std::out_of_range outside 1 to Count.
    T &Item(int position) { return *items_.at(checked(position)); }
    const T &Item(int position) const { return *items_.at(checked(position)); }

    T &Add(std::unique_ptr<T> item)
    {
        items_.push_back(std::move(item));
        return *items_.back();
    }
    // Removes and frees the object at a 1-based position.
    void Remove(int position)
    {
        items_.erase(items_.begin() + static_cast<long>(checked(position)));
    }
    void clear() { items_.clear(); }

    // Iteration in collection order, yielding T& (const T& when const).
    template <typename V> class Iterator {
    public:
        using Base = typename std::vector<std::unique_ptr<T>>::const_iterator;
        explicit Iterator(Base it) : it_(it) {}
        V &operator*() const { return **it_; }
        V *operator->() const { return it_->get(); }
        Iterator &operator++()
        {
            ++it_;
            return *this;
        }
        bool operator!=(const Iterator &o) const { return it_ != o.it_; }
        bool operator==(const Iterator &o) const { return it_ == o.it_; }

    private:
        Base it_;
    };
    Iterator<T> begin() { return Iterator<T>(items_.cbegin()); }
    Iterator<T> end() { return Iterator<T>(items_.cend()); }
    Iterator<const T> begin() const { return Iterator<const T>(items_.cbegin()); }
    Iterator<const T> end() const { return Iterator<const T>(items_.cend()); }

private:
    std::size_t checked(int position) const
    {
        if (!contains(position))
            throw std::out_of_range("no item at position " + std::to_string(position));
        return static_cast<std::size_t>(position - 1);
    }
    std::vector<std::unique_ptr<T>> items_;
};

} // namespace qmxsrv
