#include "viewer/rv_drawlines.h"

#include <algorithm>

namespace rv {

void TRVDrawLines::Insert(int index, std::unique_ptr<TRVDrawLineInfo> d)
{
    index = std::clamp(index, 0, Count());
    if (FDelCount > 0 && index >= FDelFirst && index <= FDelFirst + FDelCount) {
        // Fill the first free slot of the pending range; the slots before it
        // were refilled already, so the index is exactly that slot.
        if (index == FDelFirst) {
            FItems[size_t(FDelFirst)] = std::move(d);
            ++FDelFirst;
            --FDelCount;
            if (FDelCount == 0)
                FDelFirst = -1;
            return;
        }
    }
    FItems.insert(FItems.begin() + index, std::move(d));
    if (FDelCount > 0 && index <= FDelFirst)
        ++FDelFirst;
}

void TRVDrawLines::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    FItems.erase(FItems.begin() + index);
    if (FDelCount > 0) {
        if (index < FDelFirst)
            --FDelFirst;
        else if (index < FDelFirst + FDelCount)
            --FDelCount;
        if (FDelCount == 0)
            FDelFirst = -1;
    }
}

void TRVDrawLines::MarkForDelete(int first, int count)
{
    DeleteMarked();
    first = std::clamp(first, 0, Count());
    count = std::clamp(count, 0, Count() - first);
    if (count == 0)
        return;
    for (int i = first; i < first + count; ++i)
        FItems[size_t(i)].reset();
    FDelFirst = first;
    FDelCount = count;
}

void TRVDrawLines::DeleteMarked()
{
    if (FDelCount > 0)
        FItems.erase(FItems.begin() + FDelFirst, FItems.begin() + FDelFirst + FDelCount);
    FDelFirst = -1;
    FDelCount = 0;
}

void TRVDrawLines::Clear()
{
    FItems.clear();
    FDelFirst = -1;
    FDelCount = 0;
}

} // namespace rv
