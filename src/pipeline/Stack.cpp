// Quillon: the queue of pending work items of a mode state.
#include "Stack.h"

void Stack::add(const Item& item)
{
    m_items.push_back(item);
}

Stack::Item Stack::NextElement()
{
    if (m_items.empty())
        return nullptr;
    Item oldest = std::move(m_items.front());
    m_items.pop_front();
    return oldest;
}

Stack::Item Stack::top() const
{
    return m_items.empty() ? nullptr : m_items.back();
}

bool Stack::hasMoreElements() const
{
    return !m_items.empty();
}

Stack::Item Stack::nextTop() const
{
    return m_items.size() < 2 ? nullptr : m_items[m_items.size() - 2];
}

void Stack::NextElement2add(const Item& item)
{
    if (m_items.size() >= 2) {
        m_items.pop_front();
        m_items.pop_front();
    }
    m_items.push_back(item);
}
