#include "services/preferences/GPrefMemoryModule.h"

#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "services/preferences/GPrefFileIO.h"

namespace {

GEncoding const* Unicode() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

}  // namespace

GPrefMemoryModule::GPrefMemoryModule() : GPrefModule(nullptr), mSaved(5) { ReadDict(); }

GPrefMemoryModule::GPrefMemoryModule(GString const& text) : GPrefModule(nullptr), mSaved(5) {
    GEncoding const* encoding = text.GetEncoding().Get();
    if (encoding == nullptr)
        encoding = Unicode();
    GMemoryInStream in(text.GetEncodedBuffer());
    mTextComplete = GPrefFileIO::Read(in, encoding, mSaved);
    ReadDict();
}

GPrefMemoryModule::~GPrefMemoryModule() = default;

void GPrefMemoryModule::ReadDict() {
    ClearForRead();
    GetMutableGroups() = mSaved;
}

void GPrefMemoryModule::WriteDict() {
    if (!IsDirty())
        return;
    mSaved = GetGroups();
    SetDirty(false);
    ClearOwnChanges();
}

void GPrefMemoryModule::GetPrefsData(GString& out) const {
    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GetPrefsDataToStream(sink, Unicode());
    }
    // The text is a string, not a file: no byte-order mark.
    GBuffer const mark = GBuffer(reinterpret_cast<unsigned char const*>("\xFF\xFE"), 2);
    if (bytes.GetLength() >= 2 && bytes.GetSubBuffer(0, 2) == mark)
        bytes.Remove(0, 2);
    out.Set(bytes, Unicode(), false);
}
