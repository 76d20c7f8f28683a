#include "services/preferences/GPrefFileIO.h"

#include "core/streams/GMemoryOutStream.h"
#include "services/files/GFileInStream.h"
#include "services/files/GSafeFileSave.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GDictBufferReader.h"

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
