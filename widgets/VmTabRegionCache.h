#pragma once
// A small cache of tab regions keyed by the tab's client rectangle. Painting
// and hit testing both ask for a tab's region; making one is the costly
// part, so the latest few are kept. The layout pass clears the cache, so a
// change of style, size or tab set never meets a stale region.
#include "Graphics.h"

#include <memory>
#include <vector>

// One cached region and the rectangle it was made for. The item owns its
// region: setting another frees the old one.
class TVmTabRegionCacheItem {
public:
    TRect Rect{-1, -1, -1, -1};

    const TRegion* Region() const { return region_.get(); }
    void SetRegion(std::unique_ptr<TRegion> region) { region_ = std::move(region); }

private:
    std::unique_ptr<TRegion> region_;
};

class TVmTabRegionCache {
public:
    // The region cached for exactly this rectangle, or nullptr. Does not
    // reorder the items.
    const TRegion* Lookup(const TRect& rect) const;
    // Inserts at the front (after a failed lookup) and takes ownership; the
    // oldest item goes when the capacity is exceeded. Returns the region.
    const TRegion* Add(const TRect& rect, std::unique_ptr<TRegion> region);
    void Clear() { items_.clear(); }

    int Count() const { return int(items_.size()); }
    const TVmTabRegionCacheItem& Item(int index) const { return *items_.at(size_t(index)); }

    // -1 keeps every region. Anything else below 1 raises
    // "Capacity must be -1 (to cache all regions) or > 0" and changes nothing.
    int Capacity() const { return capacity_; }
    void SetCapacity(int value);

private:
    std::vector<std::unique_ptr<TVmTabRegionCacheItem>> items_;   // newest first
    int capacity_ = 1;
};
