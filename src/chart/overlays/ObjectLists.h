#pragma once
// The owning lists of chart objects and overlays: each element belongs to
// the list and goes with it. Elements are found by the id their kind gives
// (a chart object's id, an overlay's id).

#include <algorithm>
#include <memory>
#include <vector>

namespace chart {

template <class T>
class COwningList {
public:
    COwningList() = default;
    COwningList(const COwningList&) = delete;
    COwningList& operator=(const COwningList&) = delete;
    ~COwningList() { RemoveAll(); }

    // Appends the object; none is ignored.
    void Add(std::unique_ptr<T> object)
    {
        if (object)
            m_items.push_back(std::move(object));
    }
    // Takes the object out and deletes it; false for none or an object not
    // in the list (nothing is deleted then).
    bool Remove(const T* object) { return Take(object) != nullptr; }
    // Takes the object out and hands it to the caller; null when not listed.
    std::unique_ptr<T> Take(const T* object)
    {
        const auto it =
            std::find_if(m_items.begin(), m_items.end(), [object](const std::unique_ptr<T>& p) {
                return object && p.get() == object;
            });
        if (it == m_items.end())
            return nullptr;
        std::unique_ptr<T> taken = std::move(*it);
        m_items.erase(it);
        return taken;
    }
    void RemoveAll()
    {
        // Deleted from the head on, after the list is emptied: an element that
        // looks at the list as it goes finds none listed, and a long list goes
        // in one pass (erasing each from the head moved every later one).
        std::vector<std::unique_ptr<T>> going;
        going.swap(m_items);
        for (std::unique_ptr<T>& item : going)
            item.reset();
    }
    template <class Id>
    T* FindById(const Id& id) const
    {
        for (const auto& p : m_items) {
            if (p->GetId() == id)
                return p.get();
        }
        return nullptr;
    }
    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<std::unique_ptr<T>> m_items;
};

}   // namespace chart
