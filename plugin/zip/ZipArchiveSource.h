#pragma once
// A libzip source over an open archive file that shows the patched bytes of the central directory
// (see ZipCentralDirectory) in place of the stored ones; every other byte is read as stored.
#include "plugin/zip/ZipCentralDirectory.h"

#include <zip.h>

#include <vector>

class ZipArchiveSource {
public:
    // Takes the descriptor (closed when libzip frees the source, or here on failure).
    static zip_source_t* Create(int fd, quint64 size, std::vector<ZipCentralDirectory::Patch> patches,
                                zip_error_t* error);

private:
    ZipArchiveSource(int fd, quint64 size, std::vector<ZipCentralDirectory::Patch> patches);
    ~ZipArchiveSource();
    ZipArchiveSource(const ZipArchiveSource&) = delete;
    ZipArchiveSource& operator=(const ZipArchiveSource&) = delete;

    static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Read(char* data, zip_uint64_t length);

    int mFd;
    quint64 mSize;
    quint64 mPosition = 0;
    std::vector<ZipCentralDirectory::Patch> mPatches; // by offset, not overlapping
    zip_error_t mError;
};
