#include "services/filetypes/GFileType.h"

#include <cstring>
#include <memory>

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolData.h"
#include "core/text/GLngString.h"
#include "services/filetypes/GFileTypeImp.h"

namespace {

constexpr char kAnyCode[] = "????";

struct Registry {
    GMutex mutex;
    // Registration order; owns the types.
    GTable<const GFileType*> types;
    // Lower-cased extension as UTF-8 to the first type registered with it.
    GDict<GBuffer, const GFileType*> byExtension{5};
    const GFileType* defaultType = nullptr;
    std::unique_ptr<GFileTypeImp> imp;
    bool initialized = false;
};

Registry& TheRegistry() {
    // Never destroyed: types may be asked for while the program exits.
    static Registry* const registry = new Registry;
    return *registry;
}

// The English texts of the descriptions and of the content kinds.
constexpr GStringPoolDataStruct kEnglishTexts[] = {
    {7000, "PDF Files"},
    {7005, "ICC Profile"},
    {7006, "Temporary File"},
    {7007, "Text Document"},
    {7008, "PostScript Document"},
    {7009, "QuarkXPress PDF Export Options"},
    {7010, "Adobe PDF Settings"},
    {7011, "QuarkXPress Print Styles"},
    {7012, "InDesign PDF Styles"},
    {7013, "InDesign Printer Styles"},
    {7015, "PostScript Printer Definition"},
    {7016, "Executable Files"},
    {7019, "Adobe Print Settings"},
    {7023, "XML File"},
    {7024, "QuarkXPress PDF Output Style"},
    {7025, "QuarkXPress PS Output Style"},
    {7200, "Undefined"},
    {7201, "Not Implemented"},
    {7202, "Empty"},
    {7203, "Portable Document Format (PDF)"},
    {7204, "PostScript"},
    {7205, "Extended PostScript"},
    {7206, "JPG"},
    {7207, "GIF"},
    {7208, "TIFF"},
    {7209, "Bitmap"},
    {7210, "CMap"},
    {7211, "MMType1"},
    {7212, "WinType1"},
    {7213, "PS Type1"},
    {7214, "OpenType CFF"},
    {7215, "TrueType"},
    {7216, "OpenType CFF TrueType"},
    {7217, "TrueType Collection"},
    {7218, "Type1 Mac SFNT"},
    {7219, "TrueType Mac"},
    {7220, "Not Implemented (previously: Mac Resource Fork)"},
    {7221, "ICC Profile"},
    {7222, "FontMetrics"},
    {7223, "XML"},
    {7231, "Comma Separated Values"},
    {7232, "Adobe Color Table"},
    {7233, "Adobe Photoshop Swatch"},
    {7234, "Adobe Swatch Exchange"},
};

struct BuiltInType {
    int userID;
    int descriptionID;
    const char* extension;
    const char* creator;
    const char* type;
};

// In registration order: lookups give the first match, so the order is part of the table.
constexpr BuiltInType kBuiltInTypes[] = {
    {1, 7000, "pdf", "CARO", "PDF "},
    {6, 7005, "icc", "sync", "prof"},
    {7, 7005, "icm", "sync", "prof"},
    {8, 7005, "pf", "KCMM", "prof"},
    {9, 7006, "tmp", kAnyCode, "TEXT"},
    {12, 7010, "joboptions", "DSTL", "JOpt"},
    {14, 7007, "txt", kAnyCode, "TEXT"},
    {15, 7008, "ps", "LMAN", "TEXT"},
    {16, 7009, "qpo", "LMAN", "XQPO"},
    {17, 7011, "qpj", "XPR3", "XQPJ"},
    {18, 7012, "pdfs", "LMAN", "TEXT"},
    {19, 7013, "prst", "LMAN", "TEXT"},
    {21, 7015, "ppd", "ALD5", "TEXT"},
    {10, 7016, "exe", kAnyCode, "APPL"},
    {23, 7019, "printsettings", kAnyCode, kAnyCode},
    {26, 7023, "xml", kAnyCode, kAnyCode},
    {27, 7024, "xml", "XPR3", "XML "},
    {28, 7025, "xml", "XPR3", "XML "},
    {36, 7231, "csv", kAnyCode, "TEXT"},
    {37, 7232, "act", "8BIM", "8BCT"},
    {38, 7233, "aco", "8BIM", "8BCO"},
    {39, 7234, "ase", "ART5", "ASE "},
};

bool IsAny(const GBuffer& code) {
    return code.GetLength() == 4 && std::memcmp(code.GetPtr(), kAnyCode, 4) == 0;
}

bool CodeMatches(const GBuffer& wanted, const GBuffer& own) {
    return IsAny(wanted) || IsAny(own) || wanted == own;
}

bool ExtensionMatches(const GString& wanted, const GFileType& type) {
    return wanted.IsEmpty() || wanted == type.GetExtension();
}

GBuffer ExtensionKey(const GString& extension) {
    GString lower(extension);
    lower.ToLower();
    return lower.GetBuffer(GEncodingFallback::Get<GUTF8Encoding>());
}

uint32_t BytesToUInt32(const GBuffer& code) {
    uint32_t value = 0;
    const unsigned char* bytes = code.GetPtr();
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | (i < code.GetLength() ? bytes[i] : 0u);
    return value;
}

template <class Predicate>
const GFileType* FindFirst(Predicate matches) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    for (const GFileType* type : registry.types) {
        if (matches(*type))
            return type;
    }
    return nullptr;
}

}  // namespace

GFileType::GFileType(int descriptionID, const GString& extension, const GBuffer& creator, const GBuffer& type,
                     int userID)
    : mDescriptionID(descriptionID), mExtension(extension), mCreator(creator), mType(type), mUserID(userID) {}

GFileType::GFileType(const GString& descriptor, const GString& extension, const GBuffer& creator,
                     const GBuffer& type, int userID)
    : mDescriptionID(kNoDescriptionID),
      mDescriptor(descriptor),
      mExtension(extension),
      mCreator(creator),
      mType(type),
      mUserID(userID) {}

GFileType::GFileType(const GString& extension)
    : mDescriptionID(kNoDescriptionID), mExtension(extension), mCreator(kAnyCode), mType(kAnyCode), mUserID(0) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    if (registry.imp)
        mDescriptor = registry.imp->GetDescriptionForExtension(extension);
}

GFileType::GFileType(const GBuffer& creator, const GBuffer& type, const GString& extension)
    : mDescriptionID(kNoDescriptionID), mExtension(extension), mCreator(creator), mType(type), mUserID(0) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    if (registry.imp)
        mDescriptor = registry.imp->GetDescriptionForCreatorAndType(BytesToUInt32(creator), BytesToUInt32(type));
}

bool operator==(const GFileType& a, const GFileType& b) {
    return a.mDescriptionID == b.mDescriptionID && a.mDescriptor == b.mDescriptor &&
           GStringSupport::IsEqualIgnoreCase(a.mExtension, b.mExtension) && a.mCreator == b.mCreator &&
           a.mType == b.mType && a.mUserID == b.mUserID;
}

GString GFileType::GetDescriptor() const {
    GString text;
    GetDescriptor(text);
    return text;
}

void GFileType::GetDescriptor(GString& out) const {
    if (mDescriptionID == kNoDescriptionID) {
        out = mDescriptor;
        return;
    }
    // An id without a text reads as empty, as the string pools give it.
    GStringPool::GetString(mDescriptionID, out);
}

void GFileType::GetDescriptor(GLngString& out) const {
    out = mDescriptionID == kNoDescriptionID ? GLngString(mDescriptor) : GLngString(mDescriptionID);
}

uint32_t GFileType::GetMacCreator() const { return BytesToUInt32(mCreator); }

uint32_t GFileType::GetMacType() const { return BytesToUInt32(mType); }

GBuffer GFileType::UInt32ToBytes(uint32_t code) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(code >> 24), static_cast<unsigned char>(code >> 16),
                                    static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    return GBuffer(bytes, 4);
}

const GFileType* GFileType::RegisterFileType(GFileType* type) {
    std::unique_ptr<GFileType> owned(type);
    GBuffer key = ExtensionKey(type->mExtension);
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    registry.types.AddItem(type);
    owned.release();
    int slot = 0;
    if (!registry.byExtension.GetExistingIndex(key, slot))
        registry.byExtension.Put(key, type);
    return type;
}

const GFileType* GFileType::AddFileType(int descriptionID, const GString& extension, const GBuffer& creator,
                                        const GBuffer& type, int userID) {
    return RegisterFileType(new GFileType(descriptionID, extension, creator, type, userID));
}

const GFileType* GFileType::AddFileType(const GString& descriptor, const GString& extension,
                                        const GBuffer& creator, const GBuffer& type, int userID) {
    return RegisterFileType(new GFileType(descriptor, extension, creator, type, userID));
}

void GFileType::SetDefault(const GFileType* type) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    registry.defaultType = type;
}

const GFileType* GFileType::GetDefault() {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    if (registry.defaultType != nullptr)
        return registry.defaultType;
    return registry.types.GetCount() > 0 ? registry.types[0] : nullptr;
}

const GFileType* GFileType::GetFromExtension(const GString& extension) {
    GBuffer key = ExtensionKey(extension);
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    int slot = 0;
    if (registry.byExtension.GetExistingIndex(key, slot))
        return registry.byExtension.GetValueAt(slot);
    return RegisterFileType(new GFileType(extension));
}

const GFileType* GFileType::GetFromCreator(const GBuffer& creator) {
    return FindFirst([&](const GFileType& type) { return type.mCreator == creator; });
}

const GFileType* GFileType::GetFromType(const GBuffer& type) {
    return FindFirst([&](const GFileType& candidate) { return candidate.mType == type; });
}

const GFileType* GFileType::GetFromDescriptor(const GString& descriptor) {
    return FindFirst([&](const GFileType& type) { return type.GetDescriptor() == descriptor; });
}

const GFileType* GFileType::GetFromUserID(int userID) {
    return FindFirst([&](const GFileType& type) { return type.mUserID == userID; });
}

const GFileType* GFileType::GetFromCreatorAndType(const GBuffer& creator, const GBuffer& type,
                                                  const GString& extension) {
    Registry& registry = TheRegistry();
    // Held across both passes and the registration, so that one kind is never created twice.
    GMutexLocker lock(registry.mutex);
    const GFileType* exact = FindFirst([&](const GFileType& candidate) {
        return candidate.mCreator == creator && candidate.mType == type && ExtensionMatches(extension, candidate);
    });
    if (exact != nullptr)
        return exact;
    const GFileType* wildcard = FindFirst([&](const GFileType& candidate) {
        return CodeMatches(creator, candidate.mCreator) && CodeMatches(type, candidate.mType) &&
               !(IsAny(candidate.mCreator) && IsAny(candidate.mType)) && ExtensionMatches(extension, candidate);
    });
    if (wildcard != nullptr)
        return wildcard;
    return RegisterFileType(new GFileType(creator, type, extension));
}

const GFileType* GFileType::GetFromCreatorAndType(uint32_t creator, uint32_t type, const GString& extension) {
    return GetFromCreatorAndType(UInt32ToBytes(creator), UInt32ToBytes(type), extension);
}

void GFileType::SetFileTypeImp(GFileTypeImp* imp) {
    std::unique_ptr<GFileTypeImp> previous;
    {
        Registry& registry = TheRegistry();
        GMutexLocker lock(registry.mutex);
        previous = std::move(registry.imp);
        registry.imp.reset(imp);
    }
}

void GFileType::Initialize() {
    GStringPoolData::AddEnglishTexts(kEnglishTexts, static_cast<int>(sizeof kEnglishTexts / sizeof kEnglishTexts[0]));
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    // A second table would only shadow the first; the lookups give the first match anyway.
    if (registry.initialized)
        return;
    for (const BuiltInType& row : kBuiltInTypes)
        AddFileType(row.descriptionID, GString(row.extension), GBuffer(row.creator), GBuffer(row.type), row.userID);
    registry.initialized = true;
}

void GFileType::Finalize() {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    registry.byExtension.RemoveAll();
    // A default left behind would point at a deleted type.
    registry.defaultType = nullptr;
    while (registry.types.GetCount() > 0) {
        const GFileType* last = registry.types[registry.types.GetCount() - 1];
        registry.types.RemoveLastItem();
        delete last;
    }
    registry.initialized = false;
}
