#include "plugin/zip/ZipArchiveSource.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

zip_source_t* ZipArchiveSource::Create(int fd, quint64 size, std::vector<ZipCentralDirectory::Patch> patches,
                                       zip_error_t* error) {
    auto* state = new (std::nothrow) ZipArchiveSource(fd, size, std::move(patches));
    if (state == nullptr) {
        ::close(fd);
        zip_error_set(error, ZIP_ER_MEMORY, 0);
        return nullptr;
    }
    zip_source_t* source = zip_source_function_create(&ZipArchiveSource::Callback, state, error);
    if (source == nullptr)
        delete state;
    return source;
}

ZipArchiveSource::ZipArchiveSource(int fd, quint64 size, std::vector<ZipCentralDirectory::Patch> patches)
    : mFd(fd), mSize(size), mPatches(std::move(patches)) {
    std::sort(mPatches.begin(), mPatches.end(),
              [](const ZipCentralDirectory::Patch& a, const ZipCentralDirectory::Patch& b) { return a.offset < b.offset; });
    zip_error_init(&mError);
}

ZipArchiveSource::~ZipArchiveSource() {
    zip_error_fini(&mError);
    ::close(mFd);
}

zip_int64_t ZipArchiveSource::Read(char* data, zip_uint64_t length) {
    if (mPosition >= mSize)
        return 0;
    length = std::min<zip_uint64_t>(length, mSize - mPosition);
    zip_uint64_t done = 0;
    while (done < length) {
        ssize_t n = pread(mFd, data + done, length - done, off_t(mPosition + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            zip_error_set(&mError, ZIP_ER_READ, errno);
            return -1;
        }
        if (n == 0)
            break;
        done += zip_uint64_t(n);
    }
    const quint64 start = mPosition;
    const quint64 stop = mPosition + done;
    // The first patch that may reach into the range: the last one starting before its end.
    auto it = std::upper_bound(mPatches.begin(), mPatches.end(), stop,
                               [](quint64 value, const ZipCentralDirectory::Patch& p) { return value <= p.offset; });
    while (it != mPatches.begin()) {
        --it;
        const quint64 pStart = it->offset;
        const quint64 pStop = pStart + quint64(it->bytes.size());
        if (pStop <= start)
            break;
        const quint64 from = std::max(start, pStart);
        const quint64 to = std::min(stop, pStop);
        std::memcpy(data + (from - start), it->bytes.constData() + (from - pStart), size_t(to - from));
    }
    mPosition = stop;
    return zip_int64_t(done);
}

zip_int64_t ZipArchiveSource::Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* self = static_cast<ZipArchiveSource*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        self->mPosition = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return self->Read(static_cast<char*>(data), length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self->mError);
        if (st == nullptr)
            return -1;
        zip_stat_init(st);
        st->size = self->mSize;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self->mError, data, length);
    case ZIP_SOURCE_FREE:
        delete self;
        return 0;
    case ZIP_SOURCE_SEEK: {
        zip_int64_t position = zip_source_seek_compute_offset(self->mPosition, self->mSize, data, length, &self->mError);
        if (position < 0)
            return -1;
        self->mPosition = quint64(position);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return zip_int64_t(self->mPosition);
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_SEEKABLE;
    default:
        zip_error_set(&self->mError, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}
