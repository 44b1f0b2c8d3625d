#pragma once

#include "SortDescriptor.h"

#include <functional>
#include <optional>

/// What a fetch returns: the records of type T that match `predicate` (all when unset), in the
/// order of `sortBy` (the store's own order when unset).
template <class T> struct FetchDescriptor {
    std::function<bool(const T &)> predicate;
    std::optional<SortDescriptor<T>> sortBy;
};
