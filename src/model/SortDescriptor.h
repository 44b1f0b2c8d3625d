#pragma once

#include <Qt>

#include <functional>

/// Orders records of type T by one field, ascending or descending. Records with equal keys keep
/// the store's own order (callers sort stably).
template <class T> class SortDescriptor {
public:
    /// `field` is a getter of T, e.g. `&ClipboardItem::createdAt`.
    template <class Getter>
    SortDescriptor(Getter field, Qt::SortOrder order = Qt::AscendingOrder)
        : m_isOrderedBefore([field, order](const T &a, const T &b) {
            const auto &ka = std::invoke(field, a);
            const auto &kb = std::invoke(field, b);
            return order == Qt::AscendingOrder ? ka < kb : kb < ka;
        })
    {
    }

    bool operator()(const T &a, const T &b) const { return m_isOrderedBefore(a, b); }

private:
    std::function<bool(const T &, const T &)> m_isOrderedBefore;
};
