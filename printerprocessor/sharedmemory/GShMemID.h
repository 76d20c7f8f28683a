#pragma once
// The identifier part of a shared-memory or mutex name: ASCII letters, digits and "_" (empty
// allowed). A few special identifiers, filled by Initialize and kept by number, spell the fixed
// pieces of the queue and table names.
//
// Callers may rely on:
// - Every constructor and CheckAndInitialize validate; a bad character throws 40162 and leaves
//   the identifier as it was. operator+= does not validate (both sides are valid already).
// - GetSpecialID of a number not filled in (or before Initialize, after Finalize) returns one
//   shared empty identifier.
// - The special identifiers are filled at start-up, before other threads use them.
#include "core/base/GIsRelocatable.h"
#include "core/bytes/GBuffer.h"

class GString;

class GShMemID {
public:
    GShMemID() = default;
    GShMemID(GBuffer const& id);
    GShMemID(char const* id);
    // Converted to ASCII; a character outside ASCII throws 40162.
    GShMemID(GString const& id);

    void CheckAndInitialize(char const* text);
    void CheckAndInitialize(GBuffer const& bytes);
    GShMemID& operator+=(GShMemID const& other);
    bool IsEmpty() const { return mID.IsEmpty(); }
    operator GBuffer const&() const { return mID; }
    GBuffer const& GetBuffer() const { return mID; }
    bool operator==(GShMemID const& other) const { return mID == other.mID; }

    static void Initialize();
    static void Finalize();
    static GShMemID const& GetSpecialID(int number);

private:
    GBuffer mID;
};

GShMemID operator+(GShMemID const& a, GShMemID const& b);

template <>
struct GIsRelocatable<GShMemID> : std::true_type {};
