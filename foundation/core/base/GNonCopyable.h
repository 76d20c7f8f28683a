#pragma once
// Base of classes whose objects own resources that must not be duplicated (descriptors,
// sub-objects, walks in progress): copying and assigning are removed.
class GNonCopyable {
protected:
    GNonCopyable() = default;
    ~GNonCopyable() = default;

public:
    GNonCopyable(const GNonCopyable&) = delete;
    GNonCopyable& operator=(const GNonCopyable&) = delete;
};
