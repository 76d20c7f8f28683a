#pragma once
// GFileType: a kind of file the system knows: a description for people, a file-name extension
// (without the dot) and the classic four-character creator and type codes ("????" meaning any).
// A process-wide registry keeps every type in registration order; Initialize registers the
// built-in table and the English texts of its descriptions, Finalize deletes every type.
//
// Callers may rely on:
// - Pointers handed out by the registry stay valid until Finalize.
// - A pooled description is looked up by its id each time it is asked for, so the type needs no
//   texts when it is made and shows whatever text the id has when it is read (empty when none).
// - GetFromExtension and GetFromCreatorAndType never fail: a kind not registered yet is created,
//   registered and returned, and the same arguments later give the same object.
// - Extensions are looked up ignoring case; other comparisons are exact.
// - The registry is guarded by a mutex, so lookups from several threads are safe.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"

class GFileTypeImp;
class GLngString;

class GFileType {
public:
    // The description id of a type whose description is given as text.
    static constexpr int kNoDescriptionID = -1;
    // The temporary-file type, with which lock files are created.
    static constexpr int kTemporaryFileUserID = 9;

    // A pooled description.
    GFileType(int descriptionID, const GString& extension, const GBuffer& creator, const GBuffer& type,
              int userID);
    // A literal description.
    GFileType(const GString& descriptor, const GString& extension, const GBuffer& creator, const GBuffer& type,
              int userID);
    // Creator and type "????", user id 0; described by the installed GFileTypeImp, if any.
    explicit GFileType(const GString& extension);
    // User id 0; described by the installed GFileTypeImp, if any.
    GFileType(const GBuffer& creator, const GBuffer& type, const GString& extension);
    GFileType(const GFileType& other) = default;
    GFileType& operator=(const GFileType& other) = default;
    ~GFileType() = default;

    void Set(const GFileType& other) { *this = other; }

    // Equal ids, descriptors, creators, types and user ids; extensions equal ignoring case.
    friend bool operator==(const GFileType& a, const GFileType& b);
    friend bool operator!=(const GFileType& a, const GFileType& b) { return !(a == b); }

    // The text of the description id, or the literal description.
    GString GetDescriptor() const;
    void GetDescriptor(GString& out) const;
    // A message of the description id, or of the literal text, rendered when read.
    void GetDescriptor(GLngString& out) const;
    const GString& GetExtension() const { return mExtension; }
    const GBuffer& GetCreator() const { return mCreator; }
    const GBuffer& GetType() const { return mType; }
    int GetUserID() const { return mUserID; }
    // The first four bytes as a big-endian number; bytes missing from a shorter code read as 0.
    uint32_t GetMacCreator() const;
    uint32_t GetMacType() const;

    // Create a type with the given fields and register it; the registry owns it.
    static const GFileType* AddFileType(int descriptionID, const GString& extension, const GBuffer& creator,
                                        const GBuffer& type, int userID);
    static const GFileType* AddFileType(const GString& descriptor, const GString& extension,
                                        const GBuffer& creator, const GBuffer& type, int userID);

    // The explicit default; without one, the first registered type; null when none is registered.
    static void SetDefault(const GFileType* type);
    static const GFileType* GetDefault();

    // The first type registered with the extension (ignoring case); else a new type for it.
    static const GFileType* GetFromExtension(const GString& extension);
    // The first registered type whose field equals the argument; null when none does.
    static const GFileType* GetFromCreator(const GBuffer& creator);
    static const GFileType* GetFromType(const GBuffer& type);
    static const GFileType* GetFromDescriptor(const GString& descriptor);
    static const GFileType* GetFromUserID(int userID);
    // An exact match, else one through "????" on either side (a type that is "????" for both
    // codes never matches so), else a new type; an empty extension matches any.
    static const GFileType* GetFromCreatorAndType(const GBuffer& creator, const GBuffer& type,
                                                  const GString& extension);
    static const GFileType* GetFromCreatorAndType(uint32_t creator, uint32_t type, const GString& extension);

    // Deletes the object installed before; null installs none.
    static void SetFileTypeImp(GFileTypeImp* imp);

    // Registers the English texts and the built-in table; again without Finalize, nothing more.
    static void Initialize();
    // Deletes every registered type, last first, and forgets the default.
    static void Finalize();

    // Four bytes, most significant first.
    static GBuffer UInt32ToBytes(uint32_t code);

private:
    static const GFileType* RegisterFileType(GFileType* type);

    int32_t mDescriptionID;
    GString mDescriptor;
    GString mExtension;
    GBuffer mCreator;
    GBuffer mType;
    int32_t mUserID;
};
