#pragma once
// GTrace: the framework's diagnostic log. Code writes entries by category; the trace preference
// file "<name>.tpr" in the debug folder (name: the leaf of the running code's file, special path
// -6) decides which categories are logged; logged entries go to "<name>.tra" in the same folder,
// opened on the first logged entry.
//
// Callers may rely on:
// - Without a trace preference file (and without a stream given to the constructor) nothing is
//   written and no file is made.
// - Tracing never throws into its caller. When the trace file cannot be opened or written, tracing
//   turns itself off for the rest of the object's life.
// - The trace file is created 0600, never through a symbolic link in its last component, and an
//   existing file is used only when it is a regular file of the user with a single link.
// - Entries from several threads are written whole, one at a time; an entry made while the same
//   thread is writing one (a stream that traces) is dropped. The block depth (indent) is one for
//   all threads.
// - The core layer installs the instance (SetInstance) and removes it at shutdown.
#include <cstdint>

#include "core/base/GMutexBase.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/memory/GAutoPtr.h"
#include "core/memory/GDeletePtr.h"
#include "core/streams/GOutStream.h"
#include "core/text/GString.h"
#include "services/tracing/GCodeLocation.h"

class GInStream;
class GPathName;

class GTrace {
public:
    enum CatType { kOrdinary = 0, kAssertion = 1, kDetail = 2 };
    enum CatFlags { kLogFlag = 1, kAlertFlag = 2 };

    GTrace();
    explicit GTrace(GAutoPtr<GOutStream, GDeletePtr> const& stream);
    ~GTrace();
    GTrace(GTrace const&) = delete;
    GTrace& operator=(GTrace const&) = delete;

    // Deletes the previous instance; null is allowed. Not while another thread traces. A new
    // instance also receives the string pools' reports (GStringPoolData's trace hook).
    static void SetInstance(GTrace* trace);
    static GTrace* GetInstance();
    // Changes with every SetInstance, so that a block knows whether its instance is still there.
    static unsigned GetInstanceGeneration();

    // Takes the defaults and categories of a trace preference file; an unreadable file changes nothing.
    void ReadPrefs(GPathName const& file);

    // One entry; the message is copied as bytes.
    template <class T>
    void Trace(GBuffer const& category, GCodeLocation const& location, T const& message);
    // One entry of the assertion category "AssertAS".
    void TraceAssert(char const* text, GCodeLocation const& location);
    // Does nothing: entries never raise an alert.
    void ShowAssert(char const* text, GCodeLocation const& location);

    bool GetNeedsLogging(GBuffer const& category) const;
    bool GetAlertOnLog(GBuffer const& category) const;
    // By the last two characters: "AS" assertion, "DE" detail, else ordinary.
    static int GetCatType(GBuffer const& category);

    // When the previous entry was logged, copies count bytes of a clone of stream (which keeps its
    // position) to the trace stream.
    void TraceStreamData(GInStream* stream, int count);
    // The trace stream, opened on first use; null when tracing is off or the file cannot be used.
    GOutStream* GetStream();

    // Re-entrancy guard: Enter takes the trace's lock and returns whether this is the thread's
    // outermost entry; every Enter is matched by one Leave.
    bool Enter();
    void Leave();

    // Blocks indent the entries made inside them (see GTraceBlock). OpenBlock writes "Beginning: "
    // and the name, then raises the depth, and returns whether it did (not from inside an entry);
    // only such a block is closed: CloseBlock lowers the depth and writes "Ending: " and the name.
    bool OpenBlock(GBuffer const& category, GBuffer const& name, GCodeLocation const& location);
    void CloseBlock(GBuffer const& category, GBuffer const& name, GCodeLocation const& location);

    // Whether entries can be written at all (a preference file was read or a stream given, and
    // nothing has failed).
    bool IsEnabled() const;

    // Entry points for code that reports through a hook: trace through the instance when there is
    // one, never throwing.
    static void TraceToInstance(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) noexcept;
    static void TraceStringPoolMessage(GString const& message);

private:
    bool ReadPrefsFile(GPathName const& file);
    void ReadDefaultsGroup(GDict<GBuffer, GString> const& group);
    void ReadCategoryGroup(GBuffer const& category, GDict<GBuffer, GString> const& group);
    // Sets value from a boolean text; an empty or other text leaves it.
    void ReadBool(GString const& text, bool& value) const;
    int GetFlags(GBuffer const& category) const;
    void TraceBuffer(GBuffer const& category, GCodeLocation const& location, GBuffer const& message) noexcept;
    // With the lock held as the outermost entry.
    void LogEntry(GBuffer const& category, GCodeLocation const& location, GBuffer const& message);
    void TraceSelf(GBuffer const& category, GCodeLocation const& location, GBuffer const& message);
    void OpenTraceFile();
    void Disable() noexcept;

    GOutStream* mStream = nullptr;
    bool mOwnsStream = false;
    GDict<GBuffer, int> mCategories;
    GString mTrueTexts[2] = {GString("1"), GString("TRUE")};
    GString mFalseTexts[2] = {GString("0"), GString("FALSE")};
    bool mLog[3] = {true, true, false};
    bool mAlert[3] = {false, true, false};
    bool mAlwaysUseNewFile = false;
    GBuffer mIndent{" "};
    GBuffer mPrefix{" *** "};
    bool mLogLocation = true;
    bool mLogTime = true;
    int32_t mBlockDepth = 0;
    int32_t mReentrancy = 0;
    bool mLastEntryLogged = false;
    bool mEnabled = false;
    bool mOpenTried = false;
    bool mDisabled = false;
    mutable GMutex mMutex;
};

template <>
void GTrace::Trace<GBuffer>(GBuffer const& category, GCodeLocation const& location, GBuffer const& message);
template <>
void GTrace::Trace<char const*>(GBuffer const& category, GCodeLocation const& location, char const* const& message);
