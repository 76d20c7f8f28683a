#include "services/preferences/GPrefFileIO.h"

#include "core/streams/GMemoryOutStream.h"
#include "services/files/GFileInStream.h"
#include "services/files/GSafeFileSave.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GDictBufferReader.h"

namespace {

bool IsUTF16(GEncoding const* encoding) {
    GBuffer bytes;
    GString("A").GetBuffer(bytes, encoding);
    return bytes.GetLength() == 2;
}

// Whether the stream starts with a UTF-16 or UTF-8 byte-order mark; the stream is reset.
bool StartsWithMark(GInStream& in) {
    GBuffer head;
    GBuffer more;
    while (head.GetLength() < 3 && in.Read(more, 3 - head.GetLength()) > 0)
        head += more;
    in.Reset();
    unsigned char const* b = head.GetPtr();
    const int n = head.GetLength();
    return (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) ||
           (n == 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF);
}

}  // namespace

bool GPrefFileIO::Read(GInStream& in, GEncoding const* encoding, GPrefModule::Groups& groups) {
    GDictBufferReader<GBuffer, GString> reader(groups);
    reader.ReadDict(in, encoding);
    return reader.WasComplete();
}

bool GPrefFileIO::Read(GPathName const& file, GEncoding const* encoding, GPrefModule::Groups& groups) {
    groups.RemoveAll();
    if (!GFileSystem::FileExists(file))
        return true;
    GFileInStream in(file);
    if (in.GetLength() == 0)
        return true;
    return Read(in, encoding, groups);
}

bool GPrefFileIO::ReadAsWritten(GPathName const& file, GEncoding const* asWritten, GPrefModule::Groups& groups) {
    groups.RemoveAll();
    if (!GFileSystem::FileExists(file))
        return true;
    GFileInStream in(file);
    if (in.GetLength() == 0)
        return true;
    // UTF-16 is always written with its mark: a file without one was written in another encoding.
    if (asWritten != nullptr && !IsUTF16(asWritten) && !StartsWithMark(in)) {
        GDictBufferReader<GBuffer, GString> reader(groups);
        reader.ReadDict(in, asWritten);
        if (!reader.HadInvalidText())
            return reader.WasComplete();
        // Not this module's encoding: a writer in the platform encoding, as files without a mark were.
        in.Reset();
    }
    return Read(in, nullptr, groups);
}

void GPrefFileIO::Write(GPathName const& file, GPrefModule::Groups const& groups, GEncoding const* encoding,
                        bool& backupPending) {
    GBuffer bytes;
    {
        GMemoryOutStream out(bytes);
        GPrefModule::WriteGroups(groups, out, encoding);
    }
    if (backupPending) {
        GSafeFileSave::KeepBackup(file);
        backupPending = false;
    }
    GSafeFileSave::Save(file, bytes);
}
