#include "services/preferences/GPrefFileIO.h"

#include "core/base/GException.h"
#include "core/base/GExceptionLocation.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "services/files/GFileInStream.h"
#include "services/files/GSafeFileSave.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GDictBufferReader.h"

namespace {

constexpr int kInvalidDataToEncode = 2462;
constexpr int kFileTooLarge = 40036;

[[noreturn]] void ThrowTooLarge(GPathName const& file) {
    const GString where(file.GetNativePathString());
    GExceptionLocation location(where);
    throw GSimpleException(kFileTooLarge);
}

// The file's length checked against the limit; 0 for a missing file.
long long CheckedLength(GPathName const& file, GFileInStream& in) {
    const long long length = in.GetLength();
    if (length > GPrefFileIO::kMaxFileBytes)
        ThrowTooLarge(file);
    return length;
}

bool IsUTF16(GEncoding const* encoding) {
    GBuffer bytes;
    GString("A").GetBuffer(bytes, encoding);
    return bytes.GetLength() == 2;
}

// Empties groups, then reads the file through read; a missing or empty file reads as complete.
template <class ReadStream>
bool ReadFile(GPathName const& file, GPrefModule::Groups& groups, ReadStream const& read) {
    groups.RemoveAll();
    if (!GFileSystem::FileExists(file))
        return true;
    GFileInStream in(file);
    if (CheckedLength(file, in) == 0)
        return true;
    return read(in);
}

// Whether the bytes start with a UTF-16 or UTF-8 byte-order mark.
bool StartsWithMark(GBuffer const& bytes) {
    unsigned char const* b = bytes.GetPtr();
    const int n = bytes.GetLength();
    return (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) ||
           (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF);
}

bool Holds(GEncoding const* encoding, GString const& text) {
    GBuffer bytes;
    return text.GetBuffer(bytes, encoding) == GEncoding::kConvertOK;
}

// Names and keys are bytes, ASCII in practice; shown as UTF-8 so that any other bytes read too.
GString Quoted(GBuffer const& name) {
    GString text("\"");
    text += GString(name, GEncodingFallback::Get<GUTF8Encoding>());
    text += GString("\"");
    return text;
}

// Where the first name or value that the file cannot hold as it is stands: ", group "G"" for a
// group name, ", group "G", key "k"" for a key or its value; empty when there is none.
GString FindUnwritable(GPrefModule::Groups const& groups, GEncoding const* encoding) {
    for (int slot = 0; slot < groups.GetAllocation(); ++slot) {
        if (!groups.IsSlotUsed(slot) || groups.GetValueAt(slot).GetCount() == 0)
            continue;
        GString where(", group ");
        where += Quoted(groups.GetKeyAt(slot));
        if (!GPrefModule::IsWritableName(groups.GetKeyAt(slot)))
            return where;
        GPrefModule::Group const& entries = groups.GetValueAt(slot);
        for (int i = 0; i < entries.GetAllocation(); ++i) {
            if (!entries.IsSlotUsed(i) || (GPrefModule::IsWritableName(entries.GetKeyAt(i)) && Holds(encoding, entries.GetValueAt(i))))
                continue;
            where += GString(", key ");
            where += Quoted(entries.GetKeyAt(i));
            return where;
        }
    }
    return GString();
}

// A text written with the default character in its place would read back as another text, and
// two such keys as one: the file keeps what it held and the error says which entry it was.
[[noreturn]] void ThrowUnwritable(GPathName const& file, GPrefModule::Groups const& groups, GEncoding const* encoding) {
    GString where(file.GetNativePathString());
    where += FindUnwritable(groups, encoding);
    GExceptionLocation location(where);
    throw GSimpleException(kInvalidDataToEncode);
}

}  // namespace

bool GPrefFileIO::Read(GInStream& in, GEncoding const* encoding, GPrefModule::Groups& groups) {
    GDictBufferReader<GBuffer, GString> reader(groups);
    reader.ReadDict(in, encoding);
    return reader.WasComplete();
}

bool GPrefFileIO::Read(GPathName const& file, GEncoding const* encoding, GPrefModule::Groups& groups) {
    return ReadFile(file, groups, [&](GInStream& in) { return Read(in, encoding, groups); });
}

bool GPrefFileIO::ReadAsWritten(GPathName const& file, GEncoding const* asWritten, GPrefModule::Groups& groups) {
    return ReadFile(file, groups, [&](GInStream& in) {
        // The whole file, within the limit: which encoding reads it is known only at its end.
        GBuffer bytes;
        GBuffer block;
        while (in.Read(block, 1 << 16) > 0)
            bytes += block;
        GEncoding const* encoding = nullptr;
        // UTF-16 is always written with its mark: a file without one was written in another
        // encoding. A file that is not valid in this module's (a zero byte only flags) was written
        // in the platform encoding, as files without a mark always were.
        GBuffer units;
        if (asWritten != nullptr && !IsUTF16(asWritten) && !StartsWithMark(bytes) &&
            (asWritten->ConvertTo(bytes, GEncodingFallback::Get<GUnicodeEncoding>(), units) & GEncoding::kConvertFailed) == 0)
            encoding = asWritten;
        GMemoryInStream text(bytes);
        return Read(text, encoding, groups);
    });
}

bool GPrefFileIO::IsTooLarge(GPathName const& file) {
    if (!GFileSystem::FileExists(file))
        return false;
    GFileInStream in(file);
    return in.GetLength() > kMaxFileBytes;
}

void GPrefFileIO::Write(GPathName const& file, GPrefModule::Groups const& groups, GEncoding const* encoding,
                        bool& backupPending) {
    GEncoding const* written = encoding != nullptr ? encoding : GEncodingFallback::GetPlatform();
    GBuffer bytes;
    bool whole = false;
    {
        GMemoryOutStream out(bytes);
        whole = GPrefModule::WriteGroups(groups, out, written);
    }
    if (!whole)
        ThrowUnwritable(file, groups, written);
    GSafeFileSave::Save(file, bytes, backupPending);
    backupPending = false;
}
