#pragma once
// Two values held together, compared member by member.
#include <type_traits>

#include "core/base/GIsRelocatable.h"

template <class A, class B>
class GPair {
public:
    GPair() = default;
    GPair(const A& a, const B& b) : first(a), second(b) {}

    bool operator==(const GPair& other) const { return first == other.first && second == other.second; }
    bool operator!=(const GPair& other) const { return !(*this == other); }

    A first{};
    B second{};
};

template <class A, class B>
struct GIsRelocatable<GPair<A, B>> : std::integral_constant<bool, GIsRelocatable<A>::value && GIsRelocatable<B>::value> {};
