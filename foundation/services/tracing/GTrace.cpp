#include "services/tracing/GTrace.h"

#include <atomic>
#include <cerrno>
#include <string>

#include "core/base/GException.h"
#include "core/base/GMutexLocker.h"
#include "core/streams/GInStream.h"
#include "core/text/GStringPoolData.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/values/GDateTime.h"
#include "mac/filesystem/PUNIXFileImp.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/filesystem/GFileSystem.h"
#include "services/files/GFileBase.h"
#include "services/files/GFileOutStream.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefFileIO.h"
#include "services/tracing/GTraceLock.h"

namespace {

std::atomic<GTrace*> sInstance{nullptr};
std::atomic<unsigned> sGeneration{0};

// Tries of the numbered trace-file names after the first one fails.
constexpr int kLastCounter = 11;

char const* const kDefaultsGroup = "Defaults";
char const* const kAssertCategory = "AssertAS";
char const* const kStringPoolCategory = "StringPool";

// The leaf of the running code's file without its extension: the name of both trace files.
GString GetTraceName() {
    return GFileSystem::GetSpecialPath(-6).GetLeafWithoutExtension();
}

GPathName GetTraceFilePath(GString const& leaf) {
    GPathName path;
    GFileSystem::GetDebugFolder(path);
    path.Append(leaf);
    return path;
}

GString NumberedLeaf(GString const& name, int counter) {
    GString leaf(name);
    leaf += GString(" (");
    leaf += GString(std::to_string(counter).c_str());
    leaf += GString(").tra");
    return leaf;
}

// Symbolic links, other users' files and hard links planted at a trace-file name: refusing
// them is final, another name would only invite the next one.
bool IsRefusal(GException const& error) {
    auto const* system = dynamic_cast<PUNIXSystemException const*>(&error);
    return system != nullptr && (system->GetErrno() == ELOOP || system->GetErrno() == EPERM);
}

char const* LeafOf(char const* file) {
    if (file == nullptr)
        return "";
    char const* leaf = file;
    for (char const* at = file; *at != '\0'; ++at) {
        if (*at == '/')
            leaf = at + 1;
    }
    return leaf;
}

}  // namespace

GTrace::GTrace() {
    try {
        GPathName prefs = GetTraceFilePath(GetTraceName() + GString(".tpr"));
        if (GFileSystem::FileExists(prefs))
            mEnabled = ReadPrefsFile(prefs);
    } catch (...) {
        mEnabled = false;
    }
}

GTrace::GTrace(GAutoPtr<GOutStream, GDeletePtr> const& stream) : GTrace() {
    mOwnsStream = stream.IsOwner();
    mStream = stream.Release();
    mEnabled = mStream != nullptr;
}

GTrace::~GTrace() {
    if (mOwnsStream)
        delete mStream;
}

void GTrace::SetInstance(GTrace* trace) {
    if (trace != nullptr)
        GStringPoolData::SetTraceHook(&GTrace::TraceStringPoolMessage);
    GTrace* previous = sInstance.exchange(trace, std::memory_order_acq_rel);
    sGeneration.fetch_add(1, std::memory_order_acq_rel);
    delete previous;
}

GTrace* GTrace::GetInstance() { return sInstance.load(std::memory_order_acquire); }

unsigned GTrace::GetInstanceGeneration() { return sGeneration.load(std::memory_order_acquire); }

void GTrace::ReadPrefs(GPathName const& file) {
    try {
        ReadPrefsFile(file);
    } catch (...) {
    }
}

bool GTrace::ReadPrefsFile(GPathName const& file) {
    GDict<GBuffer, GDict<GBuffer, GString>> groups;
    GPrefFileIO::Read(file, nullptr, groups);
    GMutexLocker lock(mMutex);
    int slot;
    if (groups.GetExistingIndex(GBuffer(kDefaultsGroup), slot)) {
        ReadDefaultsGroup(groups.GetValueAt(slot));
        groups.Remove(GBuffer(kDefaultsGroup));
    }
    for (int i = 0; i < groups.GetAllocation(); ++i) {
        if (groups.IsSlotUsed(i))
            ReadCategoryGroup(groups.GetKeyAt(i), groups.GetValueAt(i));
    }
    return true;
}

void GTrace::ReadBool(GString const& text, bool& value) const {
    GString upper(text);
    upper.ToUpper();
    for (GString const& yes : mTrueTexts) {
        if (upper == yes) {
            value = true;
            return;
        }
    }
    for (GString const& no : mFalseTexts) {
        if (upper == no) {
            value = false;
            return;
        }
    }
}

void GTrace::ReadDefaultsGroup(GDict<GBuffer, GString> const& group) {
    struct BoolKey {
        char const* key;
        bool* value;
    };
    BoolKey const keys[] = {
        {"Log", &mLog[kOrdinary]},
        {"LogAssert", &mLog[kAssertion]},
        {"LogDetail", &mLog[kDetail]},
        {"AssertOnLog", &mAlert[kOrdinary]},
        {"AssertOnAssert", &mAlert[kAssertion]},
        {"AssertOnDetail", &mAlert[kDetail]},
        {"LogLocation", &mLogLocation},
        {"LogTime", &mLogTime},
        {"AlwaysUseNewFile", &mAlwaysUseNewFile},
    };
    int slot;
    for (BoolKey const& entry : keys) {
        if (group.GetExistingIndex(GBuffer(entry.key), slot))
            ReadBool(group.GetValueAt(slot), *entry.value);
    }
    GEncoding const* platform = GEncodingFallback::GetPlatform();
    if (group.GetExistingIndex(GBuffer("Indent"), slot) && !group.GetValueAt(slot).IsEmpty())
        group.GetValueAt(slot).GetBuffer(mIndent, platform);
    if (group.GetExistingIndex(GBuffer("Prefix"), slot) && !group.GetValueAt(slot).IsEmpty())
        group.GetValueAt(slot).GetBuffer(mPrefix, platform);
}

void GTrace::ReadCategoryGroup(GBuffer const& category, GDict<GBuffer, GString> const& group) {
    const int type = GetCatType(category);
    bool log = mLog[type];
    bool alert = mAlert[type];
    int slot;
    if (group.GetExistingIndex(GBuffer("Log"), slot))
        ReadBool(group.GetValueAt(slot), log);
    if (group.GetExistingIndex(GBuffer("Assert"), slot))
        ReadBool(group.GetValueAt(slot), alert);
    mCategories.Put(category, (log ? kLogFlag : 0) | (alert ? kAlertFlag : 0));
}

int GTrace::GetCatType(GBuffer const& category) {
    const int length = category.GetLength();
    if (length < 2)
        return kOrdinary;
    unsigned char const* end = category.GetPtr() + length - 2;
    if (end[0] == 'A' && end[1] == 'S')
        return kAssertion;
    if (end[0] == 'D' && end[1] == 'E')
        return kDetail;
    return kOrdinary;
}

int GTrace::GetFlags(GBuffer const& category) const {
    GMutexLocker lock(mMutex);
    int slot;
    if (mCategories.GetExistingIndex(category, slot))
        return mCategories.GetValueAt(slot);
    const int type = GetCatType(category);
    return (mLog[type] ? kLogFlag : 0) | (mAlert[type] ? kAlertFlag : 0);
}

bool GTrace::GetNeedsLogging(GBuffer const& category) const { return (GetFlags(category) & kLogFlag) != 0; }

bool GTrace::GetAlertOnLog(GBuffer const& category) const { return (GetFlags(category) & kAlertFlag) != 0; }

bool GTrace::IsEnabled() const {
    GMutexLocker lock(mMutex);
    return mEnabled && !mDisabled;
}

template <>
void GTrace::Trace<GBuffer>(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) {
    TraceBuffer(category, location, message);
}

template <>
void GTrace::Trace<char const*>(GBuffer const& category, GCodeLocation const& location, char const* const& message) {
    try {
        TraceBuffer(category, location, GBuffer(message));
    } catch (...) {
        // Not even the copy of the message could be made: the entry is lost, the caller is not.
    }
}

void GTrace::TraceAssert(char const* text, GCodeLocation const& location) {
    Trace<char const*>(GBuffer(kAssertCategory), location, text);
}

void GTrace::ShowAssert(char const*, GCodeLocation const&) {}

void GTrace::TraceBuffer(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) noexcept {
    try {
        GTraceLock lock(*this);
        if (lock.IsOutermost())
            LogEntry(category, location, message);
    } catch (...) {
        Disable();
    }
}

void GTrace::LogEntry(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) {
    mLastEntryLogged = mEnabled && !mDisabled && GetNeedsLogging(category);
    if (mLastEntryLogged)
        TraceSelf(category, location, message);
}

void GTrace::TraceSelf(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) {
    GOutStream* stream = GetStream();
    if (stream == nullptr) {
        mLastEntryLogged = false;
        return;
    }
    // One write per entry: a failure leaves no entry half-made from several writes.
    GBuffer line("\n");
    for (int32_t i = 0; i < mBlockDepth; ++i)
        line += mIndent;
    line += mPrefix;
    line += category;
    line += " ";
    if (mLogLocation) {
        line += LeafOf(location.fFileName);
        line += ":";
        line += GBuffer(static_cast<int>(location.fLine));
        if (location.fFunctionName != nullptr) {
            line += "@";
            line += location.fFunctionName;
        }
        line += " ";
    }
    if (mLogTime) {
        GString time;
        GDateTime(true).GetTimeAsString(time, false, GString());
        GBuffer bytes;
        time.GetBuffer(bytes, GEncodingFallback::GetPlatform());
        line += bytes;
        line += " ";
    }
    line += message;
    if (stream->Write(line) != line.GetLength())
        throw PUNIXSystemException(ENOSPC);
    stream->Flush();
}

void GTrace::TraceStreamData(GInStream* stream, int count) {
    if (stream == nullptr || count <= 0)
        return;
    try {
        GTraceLock lock(*this);
        if (!lock.IsOutermost() || !mLastEntryLogged || mStream == nullptr)
            return;
        GAutoPtr<GInStream, GDeletePtr> clone(stream->CreateClone());
        if (clone.Get() == nullptr)
            return;
        GBuffer chunk;
        for (int left = count; left > 0;) {
            const int read = clone->Read(chunk, left < 4096 ? left : 4096);
            if (read <= 0)
                break;
            chunk.SetLength(read);
            if (mStream->Write(chunk) != read)
                throw PUNIXSystemException(ENOSPC);
            left -= read;
        }
        mStream->Flush();
    } catch (...) {
        Disable();
    }
}

GOutStream* GTrace::GetStream() {
    try {
        GMutexLocker lock(mMutex);
        if (mStream != nullptr || !mEnabled || mDisabled || mOpenTried)
            return mDisabled ? nullptr : mStream;
        mOpenTried = true;
        OpenTraceFile();
        return mStream;
    } catch (...) {
        Disable();
        return nullptr;
    }
}

void GTrace::OpenTraceFile() {
    const GString name = GetTraceName();
    const GPathName first = GetTraceFilePath(name + GString(".tra"));
    bool failed = false;
    for (int counter = 0;;) {
        GPathName path = first;
        if (GFileSystem::FileExists(first) && (mAlwaysUseNewFile || failed || GFileSystem::FileInUse(first))) {
            for (;;) {
                path.ReplaceLeaf(NumberedLeaf(name, counter));
                if (!GFileSystem::FileExists(path) || !GFileSystem::FileInUse(path))
                    break;
                if (++counter > kLastCounter)
                    throw PUNIXSystemException(EBUSY);
            }
        }
        try {
            using File = GFileOutStream::File;
            const int mode = PUNIXFileImp::kWrite | PUNIXFileImp::kCreate | PUNIXFileImp::kTruncate |
                             PUNIXFileImp::kOwnFile;
            GAutoPtr<File, GDeletePtr> file(new File(path, false));
            file->SetOpenMode(mode);
            file->Open(mode);
            file->SetIsOpen(true);
            mStream = new GFileOutStream(file);
            mOwnsStream = true;
            return;
        } catch (GException const& error) {
            if (counter >= kLastCounter || IsRefusal(error))
                throw;
            failed = true;
            ++counter;
        }
    }
}

bool GTrace::Enter() {
    mMutex.Lock();
    return ++mReentrancy == 1;
}

void GTrace::Leave() {
    --mReentrancy;
    mMutex.Unlock();
}

bool GTrace::OpenBlock(GBuffer const& category, GBuffer const& name, GCodeLocation const& location) {
    try {
        GTraceLock lock(*this);
        if (!lock.IsOutermost())
            return false;
        try {
            LogEntry(category, location, GBuffer("Beginning: ") += name);
        } catch (...) {
            Disable();
        }
        ++mBlockDepth;
        return true;
    } catch (...) {
        return false;
    }
}

void GTrace::CloseBlock(GBuffer const& category, GBuffer const& name, GCodeLocation const& location) {
    try {
        GTraceLock lock(*this);
        if (mBlockDepth > 0)
            --mBlockDepth;
        if (lock.IsOutermost())
            LogEntry(category, location, GBuffer("Ending: ") += name);
    } catch (...) {
        Disable();
    }
}

void GTrace::Disable() noexcept {
    try {
        GMutexLocker lock(mMutex);
        mDisabled = true;
        mLastEntryLogged = false;
        // The file stays open (a stream being written up the stack may still hold it) until
        // the trace object goes.
    } catch (...) {
    }
}

void GTrace::TraceToInstance(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) noexcept {
    if (GTrace* trace = GetInstance())
        trace->TraceBuffer(category, location, message);
}

void GTrace::TraceStringPoolMessage(GString const& message) {
    try {
        GBuffer bytes;
        message.GetBuffer(bytes, GEncodingFallback::GetPlatform());
        TraceToInstance(GBuffer(kStringPoolCategory), GCODE_LOCATION, bytes);
    } catch (...) {
    }
}
