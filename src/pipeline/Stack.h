// Quillon: the queue of pending work items of a mode state.
#pragma once

#include <deque>
#include <memory>

class ParseObject;

// First in, first out in spite of its name: NextElement takes the oldest item, top looks at the
// newest. An item is removed before the caller executes it, so a nested Command2 issued by that
// item sees only the items still waiting.
class Stack final {
public:
    using Item = std::shared_ptr<ParseObject>;

    // Appends the item at the newest end.
    void add(const Item& item);
    // Removes and returns the oldest item; null on an empty stack.
    Item NextElement();
    // The newest item, not removed; null when empty.
    Item top() const;
    bool hasMoreElements() const;
    // The item added just before the newest, not removed; null with fewer than two items.
    Item nextTop() const;
    // With two or more items, drops the two oldest (not executed); then appends the item.
    void NextElement2add(const Item& item);

    int count() const { return static_cast<int>(m_items.size()); }

private:
    std::deque<Item> m_items;
};
