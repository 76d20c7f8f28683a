#pragma once
// The hash that GDict takes of its keys. Integers and enumerations are their own hash (cut to 32
// bits), pointers hash to their low 32 bits. Any other key type either has a member
//     uint32_t GetHash() const;
// or specialises this template:
//     template <> struct GDictHash<MyKey> { static uint32_t Hash(const MyKey& key); };
// Keys that compare equal (operator==) must hash equal, and hashing must not throw.
#include <cstdint>
#include <type_traits>

template <class K>
struct GDictHash {
    static uint32_t Hash(const K& key) {
        if constexpr (std::is_integral<K>::value || std::is_enum<K>::value)
            return static_cast<uint32_t>(key);
        else if constexpr (std::is_pointer<K>::value)
            return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
        else
            return static_cast<uint32_t>(key.GetHash());
    }
};
