#pragma once
// GPrefChangeJournal: a preference module's own changes since its last read or save, in order,
// so that they can be replayed onto groups read afresh (another process may have written the
// file meanwhile).
//
// Callers may rely on:
// - ApplyTo gives the groups what replaying every change added since Clear would give them, as
//   far as the written file can tell: a change to a key replaces the earlier changes to that
//   key, and removing a group replaces the earlier changes in it, so the journal stays as large
//   as the set of keys touched however often they change (only empty groups may differ, and
//   those are never written).
// - Copies are independent (a transaction keeps one to restore).
#include <string>
#include <unordered_map>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/text/GString.h"

class GPrefChangeJournal {
public:
    using Group = GDict<GBuffer, GString>;
    using Groups = GDict<GBuffer, Group>;

    struct Change {
        enum Kind { kSet, kRemove, kRemoveGroup };
        Kind kind;
        GBuffer group;
        GBuffer key;
        GString value;
    };

    // Applies one change to groups.
    static void Apply(Change const& change, Groups& groups);

    void Add(Change change);
    void ApplyTo(Groups& groups) const;
    void Clear();
    bool IsEmpty() const { return mLive == 0; }
    // The changes in force, oldest first.
    int GetCount() const { return mLive; }

private:
    static std::string KeyOf(GBuffer const& group, GBuffer const& key);
    void Drop(size_t index);
    void Compact();

    std::vector<Change> mChanges;
    std::vector<bool> mDead;
    std::unordered_map<std::string, size_t> mLastByKey;
    int mLive = 0;
};
