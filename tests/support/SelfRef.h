#pragma once
// A container item that points into itself, for the tests of the containers: copying its bytes
// elsewhere leaves it pointing at the old place (Intact() turns false), and sAlive counts the
// live items so that a test sees every item destroyed once.
#include <cstdint>

struct SelfRef {
    static inline int sAlive = 0;

    explicit SelfRef(int v = 0) : self(this), value(v) { ++sAlive; }
    SelfRef(const SelfRef& other) : self(this), value(other.value) { ++sAlive; }
    SelfRef(SelfRef&& other) noexcept : self(this), value(other.value) { ++sAlive; }
    SelfRef& operator=(const SelfRef& other) {
        value = other.value;
        return *this;
    }
    ~SelfRef() { --sAlive; }
    bool Intact() const { return self == this; }
    bool operator==(const SelfRef& other) const { return value == other.value; }
    uint32_t GetHash() const { return static_cast<uint32_t>(value); }

    SelfRef* self;
    int value;
};
