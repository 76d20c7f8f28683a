#pragma once
// Whether the containers may move an item by copying its bytes (and then forgetting the source).
// True for trivially copyable types; a class whose objects never point into themselves and are
// not pointed at by others (a handle to a block elsewhere: GBuffer, GString, GSharedObject,
// GAutoPtr) declares so by specialising the trait:
//     template <> struct GIsRelocatable<GBuffer> : std::true_type {};
// Every other item type is moved by its move constructor, which must not throw.
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>

template <class T>
struct GIsRelocatable : std::is_trivially_copyable<T> {};

// Moves n live items from src to dst, where no live item stands in dst outside the overlap of
// the two ranges; afterwards the items live in dst and src holds none outside the overlap.
// Overlapping ranges are allowed in either direction.
template <class T>
void GRelocateItems(T* dst, T* src, int n) noexcept {
    static_assert(GIsRelocatable<T>::value || std::is_nothrow_move_constructible<T>::value,
                  "an item type must be bitwise relocatable (GIsRelocatable) or nothrow move-constructible");
    if (n <= 0 || dst == src)
        return;
    if constexpr (GIsRelocatable<T>::value) {
        std::memmove(static_cast<void*>(dst), static_cast<const void*>(src), sizeof(T) * static_cast<std::size_t>(n));
    } else if (std::less<T*>()(dst, src)) {
        for (int i = 0; i < n; ++i) {
            ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
            src[i].~T();
        }
    } else {
        for (int i = n - 1; i >= 0; --i) {
            ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
            src[i].~T();
        }
    }
}
