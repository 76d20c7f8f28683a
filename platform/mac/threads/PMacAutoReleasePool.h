#pragma once
// A scope for the platform object runtime's autoreleased objects. This platform has no such
// runtime, so the scope holds nothing; code written for both keeps its pools in place.
class PMacAutoReleasePool {
public:
    PMacAutoReleasePool() = default;
    ~PMacAutoReleasePool() = default;
    PMacAutoReleasePool(const PMacAutoReleasePool&) = delete;
    PMacAutoReleasePool& operator=(const PMacAutoReleasePool&) = delete;
};
