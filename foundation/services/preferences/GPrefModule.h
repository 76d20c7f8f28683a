#pragma once
// GPrefModule: one store of preferences, groups of key/value pairs, with the whole in-memory
// behaviour, nested transactions and the preference text writer. Subclasses say where the
// groups are loaded from and saved to (ReadDict, WriteDict).
//
// Callers may rely on:
// - Groups and keys are byte strings (ASCII in practice), values texts. A missing group or key
//   reads as the empty string.
// - Every change marks the module dirty; a re-read or a completed save makes it clean.
// - A transaction (StartUsingTempModule / EndUsingTempModule) nests; only the outermost end acts,
//   and one end that asks to keep keeps the changes. Otherwise the groups, the dirty flag and the
//   journal of own changes come back as they were; SetIgnoreTemp writes survive.
// - The module keeps a journal of its own changes (Set, SetIgnoreTemp, Remove, RemoveGroup, in
//   order; see GPrefChangeJournal) since the last read or completed save, so that a module
//   sharing its file with other processes can replay them onto a fresh read (ApplyOwnChanges)
//   instead of overwriting what others wrote.
// - One thread at a time.
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/memory/GSharedObject.h"
#include "core/text/GString.h"
#include "core/text/encodings/GEncoding.h"
#include "services/preferences/GPrefChangeJournal.h"

class GOutStream;

// A store of text values by group and key; the preference modules are such stores.
class GSettingsInterface {
public:
    virtual ~GSettingsInterface() = default;
    // The stored text, empty when absent.
    virtual GString Get(GBuffer const& group, GBuffer const& key) const = 0;
    virtual void Set(GBuffer const& group, GBuffer const& key, GString const& value) = 0;
};

class GPrefModule : public GSettingsInterface {
public:
    using Group = GPrefChangeJournal::Group;
    using Groups = GPrefChangeJournal::Groups;

    explicit GPrefModule(GEncoding const* encoding);
    GPrefModule(GPrefModule const&) = delete;
    GPrefModule& operator=(GPrefModule const&) = delete;
    ~GPrefModule() override;

    GString Get(GBuffer const& group, GBuffer const& key) const override;
    void Set(GBuffer const& group, GBuffer const& key, GString const& value) override;
    virtual bool Has(GBuffer const& group, GBuffer const& key) const;
    virtual void FlushPrefs();
    virtual void Refresh();
    virtual void StartUsingTempModule();
    virtual bool IsDirty() const { return mDirty; }
    virtual void SetDirty(bool dirty) { mDirty = dirty; }
    virtual void EndUsingTempModule(bool keep);
    virtual void SetIgnoreTemp(GBuffer const& group, GBuffer const& key, GString const& value);
    virtual void RemoveGroup(GBuffer const& group);
    virtual void SetEncoding(GEncoding const* encoding);
    virtual void GetGroupNames(GTable<GBuffer>& names) const;
    virtual void GetGroupPreferences(GBuffer const& group, GTable<GBuffer>& keys) const;
    virtual void GetGroupPreferences(GBuffer const& group, Group& entries) const;
    virtual void Remove(GBuffer const& group, GBuffer const& key);
    virtual void UpdateWith(GPrefModule const* other);
    virtual void ReadDict() = 0;
    virtual void WriteDict() = 0;

    // The module in the preference text format, in the given encoding (null: the platform
    // encoding). False when a text could not be written as it is (a character the encoding
    // lacks, a key that is not ASCII); everything else is still written.
    bool GetPrefsDataToStream(GOutStream& out, GEncoding const* encoding) const;

    GEncoding const* GetEncoding() const { return mEncoding.Get(); }
    Groups const& GetGroups() const { return mGroups; }
    bool IsInTransaction() const { return mTransactionCount != 0; }

    // Writes groups in the preference text format (the layout of GetPrefsDataToStream).
    static bool WriteGroups(Groups const& groups, GOutStream& out, GEncoding const* encoding);

protected:
    using Change = GPrefChangeJournal::Change;

    Groups& GetMutableGroups() { return mGroups; }
    // Empties the groups, the dirty flag and the journal: the state of a module about to read.
    void ClearForRead();
    // Replays the journal onto groups freshly read from the store.
    void ApplyOwnChanges(Groups& groups) const;
    void ClearOwnChanges() { mJournal.Clear(); }
    bool HasOwnChanges() const { return !mJournal.IsEmpty(); }

private:
    void Record(Change::Kind kind, GBuffer const& group, GBuffer const& key, GString const& value);

    uint32_t mTransactionCount = 0;
    bool mKeepChanges = false;
    Groups* mSnapshot = nullptr;
    bool mDirty = false;
    bool mSavedDirty = false;
    Groups mGroups;
    GSharedObject<GEncoding const> mEncoding;
    GPrefChangeJournal mJournal;
    GPrefChangeJournal mSavedJournal;
};
