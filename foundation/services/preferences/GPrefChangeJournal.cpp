#include "services/preferences/GPrefChangeJournal.h"

#include <utility>

void GPrefChangeJournal::Apply(Change const& change, Groups& groups) {
    int slot = 0;
    switch (change.kind) {
    case Change::kSet:
        if (!groups.GetExistingIndex(change.group, slot)) {
            groups.Put(change.group, Group(5));
            groups.GetExistingIndex(change.group, slot);
        }
        groups.GetValueAt(slot).Put(change.key, change.value);
        break;
    case Change::kRemove:
        if (groups.GetExistingIndex(change.group, slot))
            groups.GetValueAt(slot).Remove(change.key);
        break;
    case Change::kRemoveGroup:
        groups.Remove(change.group);
        break;
    }
}

// Length-prefixed, so that no pair of group and key can stand for another.
std::string GPrefChangeJournal::KeyOf(GBuffer const& group, GBuffer const& key) {
    std::string text = std::to_string(group.GetLength());
    text += ':';
    text.append(reinterpret_cast<char const*>(group.GetPtr()), static_cast<size_t>(group.GetLength()));
    text.append(reinterpret_cast<char const*>(key.GetPtr()), static_cast<size_t>(key.GetLength()));
    return text;
}

void GPrefChangeJournal::Drop(size_t index) {
    if (mDead[index])
        return;
    mDead[index] = true;
    --mLive;
}

void GPrefChangeJournal::Add(Change change) {
    if (change.kind == Change::kRemoveGroup) {
        for (size_t i = 0; i < mChanges.size(); ++i) {
            if (mDead[i] || !(mChanges[i].group == change.group))
                continue;
            if (mChanges[i].kind != Change::kRemoveGroup)
                mLastByKey.erase(KeyOf(mChanges[i].group, mChanges[i].key));
            Drop(i);
        }
    } else {
        const std::string key = KeyOf(change.group, change.key);
        auto found = mLastByKey.find(key);
        if (found != mLastByKey.end())
            Drop(found->second);
        mLastByKey[key] = mChanges.size();
    }
    mChanges.push_back(std::move(change));
    mDead.push_back(false);
    ++mLive;
    if (mChanges.size() > 64 && static_cast<size_t>(mLive) * 2 < mChanges.size())
        Compact();
}

void GPrefChangeJournal::Compact() {
    std::vector<Change> live;
    live.reserve(static_cast<size_t>(mLive));
    mLastByKey.clear();
    for (size_t i = 0; i < mChanges.size(); ++i) {
        if (mDead[i])
            continue;
        if (mChanges[i].kind != Change::kRemoveGroup)
            mLastByKey[KeyOf(mChanges[i].group, mChanges[i].key)] = live.size();
        live.push_back(std::move(mChanges[i]));
    }
    mChanges = std::move(live);
    mDead.assign(mChanges.size(), false);
}

void GPrefChangeJournal::ApplyTo(Groups& groups) const {
    for (size_t i = 0; i < mChanges.size(); ++i)
        if (!mDead[i])
            Apply(mChanges[i], groups);
}

void GPrefChangeJournal::Clear() {
    mChanges.clear();
    mDead.clear();
    mLastByKey.clear();
    mLive = 0;
}
