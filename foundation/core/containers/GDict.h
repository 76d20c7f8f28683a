#pragma once
// A hash dictionary from K to V with open addressing in one slot array from the foundation
// allocator. Each slot keeps, besides its own key and value, how many keys of the dictionary
// have it as their home slot; a search stops once it has seen that many, so a miss costs no more
// than the keys sharing its home. There are no tombstones: a removed slot is simply free again.
// - Keys hash through GDictHash<K> (see GDictHash.h) and compare with operator==.
// - The array grows (never shrinks) when three quarters of it are used; keys and values are
//   moved bitwise when GIsRelocatable allows it, else by their move constructor.
// - Walk the dictionary by slot: for slots 0..GetAllocation()-1, take those with IsSlotUsed().
// - No locking: an owner that shares a dictionary guards it with its own mutex.
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "core/base/GException.h"
#include "core/base/GIsRelocatable.h"
#include "core/containers/GDictHash.h"
#include "core/containers/GDictUtil.h"
#include "core/memory/GAllocator.h"

class GBin2TextStream;
class GString;
class GText2BinStream;

template <class K, class V>
class GDict {
public:
    // Room for n keys before the array grows.
    explicit GDict(int n = 0);
    GDict(const GDict& other);
    GDict& operator=(const GDict& other);
    ~GDict();

    int GetCount() const noexcept { return mCount; }
    int GetAllocation() const noexcept { return mAllocation; }

    // Inserts the key or replaces its value.
    void Put(const K& key, const V& value);
    // Found: returns the key's home slot (0 or more) and sets slot to the key's slot.
    // Missing: returns the complement of the home slot (below 0) and sets slot to the free slot
    // that Put would take.
    int GetIndex(const K& key, int& slot) const;
    // Found: sets slot to the key's slot. Missing: slot becomes -1 (no free slot is sought).
    bool GetExistingIndex(const K& key, int& slot) const;
    // Returns whether the key was there.
    bool Remove(const K& key);
    // Removes the key in slot, whose home slot is home (as GetIndex returned them).
    void RemoveIndex(int slot, int home);
    void RemoveAll();
    // Dictionaries of pointers: takes the key out, then deletes the object it mapped to.
    bool Delete(const K& key);
    void DeleteAll();

    // The text form of a dictionary from GBuffer or GString to GString, defined with the text
    // streams (include "core/streams/GContainerText.h" to use it); no other types have one.
    bool WriteTo(GText2BinStream& out) const;
    bool ReadFrom(GBin2TextStream& in);
    void ToString(GString& out) const;
    bool FromString(const GString& text);

    bool IsSlotUsed(int slot) const noexcept { return (mSlots[slot].word & kUsed) != 0; }
    // The number of keys whose home is slot, whether or not slot is used itself.
    int GetHomeCount(int slot) const noexcept { return static_cast<int>(mSlots[slot].word & kHomeMask); }
    // Only for used slots.
    const K& GetKeyAt(int slot) const noexcept { return mSlots[slot].Key(); }
    V& GetValueAt(int slot) noexcept { return mSlots[slot].Value(); }
    const V& GetValueAt(int slot) const noexcept { return mSlots[slot].Value(); }

private:
    static constexpr uint32_t kUsed = 0x80000000u;
    static constexpr uint32_t kHomeMask = 0x7fffffffu;

    // Keys whose hash is more than their own value (byte strings, texts) keep it in the slot: a
    // search then tells the keys of other homes apart, and a rehash moves them, without hashing.
    static constexpr bool kCachesHash =
        !(std::is_integral<K>::value || std::is_enum<K>::value || std::is_pointer<K>::value);
    struct NoCachedHash {};
    struct CachedHash {
        uint32_t hash;
    };

    struct Slot : std::conditional_t<kCachesHash, CachedHash, NoCachedHash> {
        alignas(K) unsigned char key[sizeof(K)];
        alignas(V) unsigned char value[sizeof(V)];
        uint32_t word;

        void* KeyStorage() noexcept { return key; }
        void* ValueStorage() noexcept { return value; }
        K& Key() noexcept { return *std::launder(reinterpret_cast<K*>(key)); }
        const K& Key() const noexcept { return *std::launder(reinterpret_cast<const K*>(key)); }
        V& Value() noexcept { return *std::launder(reinterpret_cast<V*>(value)); }
        const V& Value() const noexcept { return *std::launder(reinterpret_cast<const V*>(value)); }
    };

    // Owns a slot array and the keys and values in its used slots.
    class SlotArray {
    public:
        SlotArray() noexcept = default;
        explicit SlotArray(int allocation) { Allocate(allocation); }
        SlotArray(const SlotArray&) = delete;
        SlotArray& operator=(const SlotArray&) = delete;
        ~SlotArray();
        // Only on an empty holder.
        void Allocate(int allocation);
        void Swap(Slot*& slots, int32_t& allocation) noexcept {
            std::swap(mSlots, slots);
            std::swap(mAllocation, allocation);
        }
        Slot* Get() const noexcept { return mSlots; }
        int Allocation() const noexcept { return mAllocation; }

    private:
        Slot* mSlots = nullptr;
        int32_t mAllocation = 0;
    };

    // The hash modulo the allocation by one multiplication instead of a division; exact for every
    // 32-bit hash and allocation.
    static uint64_t Magic(int allocation) noexcept { return UINT64_MAX / static_cast<uint32_t>(allocation) + 1; }
    static uint32_t HashOf(const K& key) { return GDictHash<K>::Hash(key); }
    static int HomeOfHash(uint32_t hash, int allocation, uint64_t magic) {
        const uint64_t low = magic * hash;
        return static_cast<int>((static_cast<unsigned __int128>(low) * static_cast<uint32_t>(allocation)) >> 64);
    }
    int HomeOfHash(uint32_t hash) const { return HomeOfHash(hash, mAllocation, mMagic); }
    static uint32_t StoredHash(const Slot& s) {
        if constexpr (kCachesHash)
            return s.hash;
        else
            return HashOf(s.Key());
    }
    static void StoreHash(Slot& s, uint32_t hash) {
        if constexpr (kCachesHash)
            s.hash = hash;
        else
            (void)s, (void)hash;
    }
    // Whether a used slot holds key, whose hash is given.
    static bool Holds(const Slot& s, const K& key, uint32_t hash) {
        if constexpr (kCachesHash)
            return s.hash == hash && s.Key() == key;
        else
            return (void)hash, s.Key() == key;
    }
    // GetIndex for a key whose hash is known.
    int Find(const K& key, uint32_t hash, int& slot) const;
    void Adopt(SlotArray& array) noexcept {
        array.Swap(mSlots, mAllocation);
        mMagic = Magic(mAllocation);
    }
    // GetIndex past a home slot that does not hold the key; without kFindFree a miss leaves slot
    // as it was.
    template <bool kFindFree>
    int SearchRun(const K& key, uint32_t hash, int home, int& slot) const;
    static int Step(int slot, int allocation) noexcept { return slot + 1 == allocation ? 0 : slot + 1; }
    static int FirstFreeFrom(const Slot* slots, int allocation, int slot) noexcept;
    static void DestroyUsed(Slot* slots, int allocation) noexcept;
    int GrownAllocation() const;
    void Rehash(SlotArray& grown) noexcept;

    Slot* mSlots = nullptr;
    int32_t mAllocation = 0;
    int32_t mCount = 0;
    uint64_t mMagic = 0;
};

// A dictionary is a handle to its slot array.
template <class K, class V>
struct GIsRelocatable<GDict<K, V>> : std::true_type {};

template <class K, class V>
void GDict<K, V>::SlotArray::Allocate(int allocation) {
    mSlots = static_cast<Slot*>(GAllocator::GetInstance()->Alloc(sizeof(Slot) * static_cast<unsigned long>(allocation)));
    mAllocation = allocation;
    for (int i = 0; i < allocation; ++i)
        (::new (static_cast<void*>(mSlots + i)) Slot)->word = 0;
}

template <class K, class V>
GDict<K, V>::SlotArray::~SlotArray() {
    if (mSlots == nullptr)
        return;
    DestroyUsed(mSlots, mAllocation);
    GAllocator::GetInstance()->Free(mSlots, sizeof(Slot) * static_cast<unsigned long>(mAllocation));
}

template <class K, class V>
GDict<K, V>::GDict(int n) {
    SlotArray array(GDictUtil::GetAllocation(n));
    Adopt(array);
}

template <class K, class V>
GDict<K, V>::GDict(const GDict& other) {
    SlotArray array(other.mAllocation);
    Slot* slots = array.Get();
    for (int i = 0; i < other.mAllocation; ++i) {
        const Slot& from = other.mSlots[i];
        Slot& to = slots[i];
        to.word = from.word & kHomeMask;
        if ((from.word & kUsed) == 0)
            continue;
        ::new (to.KeyStorage()) K(from.Key());
        try {
            ::new (to.ValueStorage()) V(from.Value());
        } catch (...) {
            to.Key().~K();
            throw;
        }
        StoreHash(to, StoredHash(from));
        to.word = from.word;
    }
    Adopt(array);
    mCount = other.mCount;
}

template <class K, class V>
GDict<K, V>& GDict<K, V>::operator=(const GDict& other) {
    if (this == &other)
        return *this;
    GDict copy(other);
    std::swap(mSlots, copy.mSlots);
    std::swap(mAllocation, copy.mAllocation);
    std::swap(mCount, copy.mCount);
    std::swap(mMagic, copy.mMagic);
    return *this;
}

template <class K, class V>
GDict<K, V>::~GDict() {
    SlotArray array;
    array.Swap(mSlots, mAllocation);
}

template <class K, class V>
int GDict<K, V>::GetIndex(const K& key, int& slot) const {
    return Find(key, HashOf(key), slot);
}

template <class K, class V>
int GDict<K, V>::Find(const K& key, uint32_t hash, int& slot) const {
    const int home = HomeOfHash(hash);
    const Slot& s = mSlots[home];
    if ((s.word & kUsed) != 0 && Holds(s, key, hash)) {
        slot = home;
        return home;
    }
    return SearchRun<true>(key, hash, home, slot);
}

template <class K, class V>
bool GDict<K, V>::GetExistingIndex(const K& key, int& slot) const {
    const uint32_t hash = HashOf(key);
    const int home = HomeOfHash(hash);
    const Slot& s = mSlots[home];
    if ((s.word & kUsed) != 0 && Holds(s, key, hash)) {
        slot = home;
        return true;
    }
    slot = -1;
    // No key has this home: a miss that needs no walk (nor, here, the free slot Put would take).
    return (s.word & kHomeMask) != 0 && SearchRun<false>(key, hash, home, slot) >= 0;
}

template <class K, class V>
template <bool kFindFree>
int GDict<K, V>::SearchRun(const K& key, uint32_t hash, int home, int& slot) const {
    const int allocation = mAllocation;
    const Slot* slots = mSlots;
    const uint32_t homeCount = slots[home].word & kHomeMask;
    uint32_t seen = 0;
    int firstFree = -1;
    if (slots[home].word & kUsed) {
        if (HomeOfHash(StoredHash(slots[home])) == home)
            ++seen;
    } else {
        firstFree = home;
    }
    // Every key of this home lies within the next slots; the step limit only guards the wrap.
    int at = home;
    for (int steps = 1; seen < homeCount && steps < allocation; ++steps) {
        at = Step(at, allocation);
        const Slot& s = slots[at];
        if ((s.word & kUsed) == 0) {
            if (kFindFree && firstFree < 0)
                firstFree = at;
            continue;
        }
        // Equal keys share their home, so comparing first gives the same answer and spares the
        // hash of the key that is found.
        if (Holds(s, key, hash)) {
            slot = at;
            return home;
        }
        if (HomeOfHash(StoredHash(s)) == home)
            ++seen;
    }
    if constexpr (kFindFree)
        slot = firstFree >= 0 ? firstFree : FirstFreeFrom(slots, allocation, Step(at, allocation));
    return ~home;
}

template <class K, class V>
void GDict<K, V>::Put(const K& key, const V& value) {
    int slot;
    const uint32_t hash = HashOf(key);
    int home = Find(key, hash, slot);
    if (home >= 0) {
        mSlots[slot].Value() = value;
        return;
    }
    home = ~home;
    // The grown array is taken before anything changes, so that running out of memory leaves
    // the dictionary as it was.
    SlotArray grown;
    if (static_cast<int64_t>(mCount) + 1 >= (static_cast<int64_t>(mAllocation) * 3) / 4)
        grown.Allocate(GrownAllocation());
    Slot& s = mSlots[slot];
    ::new (s.KeyStorage()) K(key);
    try {
        ::new (s.ValueStorage()) V(value);
    } catch (...) {
        s.Key().~K();
        throw;
    }
    StoreHash(s, hash);
    mSlots[home].word += 1;
    s.word |= kUsed;
    ++mCount;
    if (grown.Get() != nullptr)
        Rehash(grown);
}

template <class K, class V>
bool GDict<K, V>::Remove(const K& key) {
    int slot;
    const int home = GetIndex(key, slot);
    if (home < 0)
        return false;
    RemoveIndex(slot, home);
    return true;
}

template <class K, class V>
void GDict<K, V>::RemoveIndex(int slot, int home) {
    Slot& s = mSlots[slot];
    s.word &= ~kUsed;
    mSlots[home].word -= 1;
    --mCount;
    if constexpr (std::is_trivially_destructible<K>::value && std::is_trivially_destructible<V>::value) {
        return;
    } else {
        // Taken out first, so that the dictionary is consistent while their destructors run.
        alignas(K) unsigned char key[sizeof(K)];
        alignas(V) unsigned char value[sizeof(V)];
        GRelocateItems(reinterpret_cast<K*>(key), &s.Key(), 1);
        GRelocateItems(reinterpret_cast<V*>(value), &s.Value(), 1);
        std::launder(reinterpret_cast<V*>(value))->~V();
        std::launder(reinterpret_cast<K*>(key))->~K();
    }
}

template <class K, class V>
void GDict<K, V>::RemoveAll() {
    DestroyUsed(mSlots, mAllocation);
    for (int i = 0; i < mAllocation; ++i)
        mSlots[i].word = 0;
    mCount = 0;
}

template <class K, class V>
bool GDict<K, V>::Delete(const K& key) {
    static_assert(std::is_pointer<V>::value, "Delete needs a dictionary of pointers");
    int slot;
    const int home = GetIndex(key, slot);
    if (home < 0)
        return false;
    // Taken out before the object goes: its destructor may use this dictionary.
    V object = mSlots[slot].Value();
    RemoveIndex(slot, home);
    delete object;
    return true;
}

template <class K, class V>
void GDict<K, V>::DeleteAll() {
    static_assert(std::is_pointer<V>::value, "DeleteAll needs a dictionary of pointers");
    for (int i = 0; i < mAllocation; ++i) {
        if ((mSlots[i].word & kUsed) == 0)
            continue;
        V object = mSlots[i].Value();
        RemoveIndex(i, HomeOfHash(StoredHash(mSlots[i])));
        delete object;
    }
}

template <class K, class V>
int GDict<K, V>::FirstFreeFrom(const Slot* slots, int allocation, int slot) noexcept {
    while (slots[slot].word & kUsed)
        slot = Step(slot, allocation);
    return slot;
}

template <class K, class V>
void GDict<K, V>::DestroyUsed(Slot* slots, int allocation) noexcept {
    if constexpr (std::is_trivially_destructible<K>::value && std::is_trivially_destructible<V>::value)
        return;
    for (int i = 0; i < allocation; ++i) {
        if ((slots[i].word & kUsed) == 0)
            continue;
        slots[i].word &= ~kUsed;
        slots[i].Value().~V();
        slots[i].Key().~K();
    }
}

template <class K, class V>
int GDict<K, V>::GrownAllocation() const {
    if (mAllocation > INT32_MAX / 2)
        throw GMemoryException();
    return GDictUtil::GetAllocation(2 * mAllocation);
}

template <class K, class V>
void GDict<K, V>::Rehash(SlotArray& grown) noexcept {
    Slot* slots = grown.Get();
    const int allocation = grown.Allocation();
    const uint64_t magic = Magic(allocation);
    for (int i = 0; i < mAllocation; ++i) {
        Slot& from = mSlots[i];
        if ((from.word & kUsed) == 0)
            continue;
        // Nothing was removed from the new array, so the run of a home holds no free slot:
        // the search would end at the first free slot from the home.
        const uint32_t hash = StoredHash(from);
        const int home = HomeOfHash(hash, allocation, magic);
        const int at = FirstFreeFrom(slots, allocation, home);
        Slot& to = slots[at];
        StoreHash(to, hash);
        GRelocateItems(static_cast<K*>(to.KeyStorage()), &from.Key(), 1);
        GRelocateItems(static_cast<V*>(to.ValueStorage()), &from.Value(), 1);
        from.word &= ~kUsed;
        slots[home].word += 1;
        to.word |= kUsed;
    }
    Adopt(grown);
}
