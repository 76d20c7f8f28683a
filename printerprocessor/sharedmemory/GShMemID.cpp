#include "printerprocessor/sharedmemory/GShMemID.h"

#include "core/base/GException.h"
#include "core/containers/GDict.h"
#include "core/text/GString.h"
#include "core/text/encodings/GASCIIEncoding.h"

namespace {

GDict<int, GShMemID>& SpecialIDs() {
    static GDict<int, GShMemID> sSpecialIDs(5);
    return sSpecialIDs;
}

bool IsIDByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

GShMemID::GShMemID(GBuffer const& id) { CheckAndInitialize(id); }

GShMemID::GShMemID(char const* id) { CheckAndInitialize(id); }

GShMemID::GShMemID(GString const& id) {
    GEncoding const* ascii = GASCIIEncoding::GetInstance();
    GBuffer bytes = id.GetBuffer(ascii);
    if (!(GString(bytes, ascii) == id))
        throw GSimpleException(40162);
    CheckAndInitialize(bytes);
}

void GShMemID::CheckAndInitialize(char const* text) { CheckAndInitialize(GBuffer(text)); }

void GShMemID::CheckAndInitialize(GBuffer const& bytes) {
    if (bytes.IsEmpty())
        return;
    for (int i = 0; i < bytes.GetLength(); ++i) {
        if (!IsIDByte(bytes.GetPtr()[i]))
            throw GSimpleException(40162);
    }
    mID = bytes;
}

GShMemID& GShMemID::operator+=(GShMemID const& other) {
    mID += other.mID;
    return *this;
}

GShMemID operator+(GShMemID const& a, GShMemID const& b) {
    GBuffer joined = a.GetBuffer();
    joined += b.GetBuffer();
    return GShMemID(joined);
}

void GShMemID::Initialize() {
    GDict<int, GShMemID>& ids = SpecialIDs();
    ids.Put(1, GShMemID("P"));
    ids.Put(2, GShMemID("G"));
    ids.Put(3, GShMemID("M"));
    ids.Put(101, GShMemID("MQ"));
    ids.Put(102, GShMemID("PS"));
    ids.Put(201, GetSpecialID(2) + GShMemID("IPC"));
    ids.Put(202, GetSpecialID(2) + GShMemID("IPCTest"));
}

void GShMemID::Finalize() { SpecialIDs().RemoveAll(); }

GShMemID const& GShMemID::GetSpecialID(int number) {
    static const GShMemID sEmpty;
    GDict<int, GShMemID>& ids = SpecialIDs();
    int slot = 0;
    if (!ids.GetExistingIndex(number, slot))
        return sEmpty;
    return ids.GetValueAt(slot);
}
