// The one way records are put into the order their file lists them: sort, then keep
// the first of each run of equal keys. Readers collect everything first, so a large
// list costs one sort instead of a search per line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// Published lists mostly come sorted, so what a reader collects is usually a few
// ascending runs, one or two per file; up to this many are merged rather than sorted.
constexpr size_t kMergedRuns = 32;

// Sorts the items by `less`, which must be a total order (items of equal key ordered
// by their input order). A few ascending runs are merged, right to left, through a
// buffer as large as the longest run but the last; anything else is sorted.
template <typename T, typename Less>
void sort_items(std::vector<T>* items, Less less)
{
    const size_t n = items->size();
    T* v = items->data();
    std::vector<size_t> starts{0};
    for (size_t i = 1; i < n; ++i) {
        if (!less(v[i], v[i - 1])) continue;
        starts.push_back(i);
        if (starts.size() > kMergedRuns) {
            std::sort(v, v + n, less);
            return;
        }
    }
    std::vector<T> left;
    for (size_t r = starts.size() - 1; r-- > 0;) {
        // Run r and the merged items after it: writing never overtakes the reading
        // of the right part, so the right part is merged where it stands.
        size_t out = starts[r];
        size_t right = starts[r + 1];
        left.assign(v + out, v + right);
        size_t l = 0;
        while (l < left.size() && right < n) v[out++] = less(v[right], left[l]) ? v[right++] : left[l++];
        while (l < left.size()) v[out++] = left[l++];
    }
}

// Sorts as sort_items, then removes every item that is `same` as the kept one before
// it, after handing both to `merge(kept, dropped)`; within a key, kept and dropped
// ones come in input order.
template <typename T, typename Less, typename Same, typename Merge>
void sort_keep_first(std::vector<T>* items, Less less, Same same, Merge merge)
{
    sort_items(items, less);
    auto kept = items->begin();
    for (auto it = items->begin(); it != items->end(); ++it) {
        if (kept != items->begin() && same(*(kept - 1), *it)) {
            merge(*(kept - 1), *it);
            continue;
        }
        if (kept != it) *kept = std::move(*it);
        ++kept;
    }
    items->erase(kept, items->end());
}
