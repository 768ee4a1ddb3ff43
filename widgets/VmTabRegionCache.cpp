#include "VmTabRegionCache.h"

#include "Exception.h"

const TRegion* TVmTabRegionCache::Lookup(const TRect& rect) const
{
    for (const auto& item : items_)
        if (item->Rect == rect)
            return item->Region();
    return nullptr;
}

const TRegion* TVmTabRegionCache::Add(const TRect& rect, std::unique_ptr<TRegion> region)
{
    auto item = std::make_unique<TVmTabRegionCacheItem>();
    item->Rect = rect;
    item->SetRegion(std::move(region));
    const TRegion* result = item->Region();
    items_.insert(items_.begin(), std::move(item));
    if (capacity_ != -1 && Count() > capacity_)
        items_.pop_back();
    return result;
}

void TVmTabRegionCache::SetCapacity(int value)
{
    if (value < -1 || value == 0)
        throw Exception(QStringLiteral("Capacity must be -1 (to cache all regions) or > 0"));
    if (value == capacity_)
        return;
    capacity_ = value;
    if (capacity_ != -1)
        while (Count() > capacity_)
            items_.pop_back();
}
