// quon_stringlist: an ordered list of quon_string items, built from a
// separated text or item by item, and joined back into one text.
//
// An empty text gives an empty list; otherwise n separators give n + 1 items,
// empty ones included ("a,,b" is three items).
#ifndef QUON_STRINGLIST_H
#define QUON_STRINGLIST_H

#include "quon_string.h"

#include <vector>

// Walks a quon_stringlist's items in order (range for).
class quon_stringlistIterator {
public:
    explicit quon_stringlistIterator(const quon_string* at) : at_(at) {} // at the item `at`
    quon_stringlistIterator& operator++() {
        ++at_;
        return *this;
    }                                                                                        // to the next item
    const quon_string& operator*() const { return *at_; }                                    // the item
    bool operator!=(const quon_stringlistIterator& other) const { return at_ != other.at_; } // at another item
private:
    const quon_string* at_;
};

class quon_stringlist {
public:
    quon_stringlist() = default; // no items
    // The items of `text` cut at each `separator` (see the rules above).
    quon_stringlist(const quon_string& text, char separator);
    virtual ~quon_stringlist() = default;
    quon_stringlist(const quon_stringlist&) = default;                // a copy
    quon_stringlist(quon_stringlist&&) noexcept = default;            // takes the other's items
    quon_stringlist& operator=(const quon_stringlist&) = default;     // becomes a copy
    quon_stringlist& operator=(quon_stringlist&&) noexcept = default; // takes the other's items

    quon_stringlist& operator<<(const quon_string& item); // appends item
    quon_string toString(char separator) const;           // the items joined with separator between them

    std::size_t count() const { return items_.size(); }                                      // the number of items
    const quon_string& operator[](std::size_t i) const { return items_[i]; }                 // item i, 0 to count() - 1
    quon_stringlistIterator begin() const { return quon_stringlistIterator(items_.data()); } // the first item
    // Past the last item.
    quon_stringlistIterator end() const { return quon_stringlistIterator(items_.data() + items_.size()); }

private:
    std::vector<quon_string> items_;
};

#endif
