// Exceptions, their texts and the per-thread contexts they capture.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>

#include "core/base/GAbortException.h"
#include "core/base/GCustomException.h"
#include "core/base/GException.h"
#include "core/base/GExceptionLocation.h"
#include "core/memory/GAllocator.h"
#include "core/text/GStringPool.h"
#include "support/ExceptionTestText.h"
#include "support/Sanitizers.h"


namespace {

class GExceptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartFoundation();
        GException::Initialize();
    }
};

struct IDText {
    int id;
    const char* text;
};

// A sample from every group of ids, with the texts of the thread-creation errors in full.
const IDText kTexts[] = {
    {2450, "General Exception"},
    {2451, "Out of memory"},
    {2452, "Invalid data to decode"},
    {2455, "Problem using the ZLib compression library"},
    {2459, "Action has been canceled"},
    {2463, "Incorrect key length for AES encryption or decryption"},
    {2464, "Could not write data to file"},
    {40000, "File directory full"},
    {40004, "Bad file name or volume name"},
    {40010, "File or directory not found or incomplete path name"},
    {40014, "Directory is not empty (or: One or more files are open or File is busy )"},
    {40015, "Duplicate file name and version / Destination file already exists / File found instead of folder"},
    {40024, "read/write permission doesn't allow writing"},
    {40039, "A supplied fork name was invalid (i.e., was syntactically illegal for the given volume)"},
    {40041, "A file reference number does not correspond to a fork opened with the FSOpenFork, PBOpenForkSync , "
            "or PBOpenForkAsync functions"},
    {40051, "The iterator flags or container of an FSIterator are not supported by that call"},
    {40052, "An unknown error has occurred"},
    {40062, "Framework root not found"},
    {40063, "Unique file or folder can't be created"},
    {40074, "A UNIX System Error has occurred"},
    {40075, "Moving %1 to %2"},
    {40079, "Opening %1 in the application %2"},
    {40090, "URLs are not supported as path names"},
    {40094, "The application could not open %1 because the file was created by another user. Please ask your "
            "Administrator to change the permissions for this file."},
    {40100, "Application %1 is not opened"},
    {40104, "Could not launch %1, error code: %2"},
    {40106, "Application failed to execute the command"},
    {40150, "Target application was not listening"},
    {40155, "The message does not contain any data"},
    {40160, "Not enough space left for the specified write operation"},
    {40171, "Too many instances to the same shared memory object opened"},
    {40200, "The specified mutex could not be created"},
    {40202, "Could not lock the mutex"},
    {40203, "Could not unlock the mutex"},
    {40204, "Could not create the mutex (common resources lock)"},
    {40207, "Could not release event"},
    {40250, "Could not load the specified framework bundle"},
    {40252, "Could not load the specified variable"},
    {40253, "System error, contact your System Administrator: \"The system lacked the necessary resources to create "
            "another thread, or the system-imposed limit on the total number of threads in a process would be "
            "exceeded.\""},
    {40254, "System error, contact your System Administrator: \"Error creating thread: the value specified by attr "
            "is invalid.\""},
    {40255, "System error, contact your System Administrator: \"Error creating thread: permission denied\""},
    {40256, "System error, contact your System Administrator: \"Error creating thread\""},
    {40270, "Random generator already initialised"},
    {40275, "Internal Cocoa file system error"},
    {40281, "Cannot find the file: Read permissions unavailable or the file may not exist"},
};

TEST_F(GExceptionTest, EachIDDescribesItselfWithItsEnglishText) {
    for (const IDText& entry : kTexts) {
        SCOPED_TRACE(entry.id);
        const GSimpleException e(entry.id);
        EXPECT_EQ(e.GetExceptionID(), entry.id);
        EXPECT_EQ(Text(e.GetDescription()), entry.text);
        EXPECT_EQ(Text(e.GetFullDescription()), entry.text);
    }
}

TEST_F(GExceptionTest, EveryIDOfTheGroupsHasATextAndTheGapsHaveNone) {
    const int ranges[][2] = {{2450, 2464}, {40000, 40079}, {40090, 40094}, {40100, 40106}, {40150, 40155},
                             {40160, 40171}, {40200, 40207}, {40250, 40256}, {40270, 40270}, {40275, 40281}};
    for (const auto& range : ranges) {
        for (int id = range[0]; id <= range[1]; ++id) {
            GString text;
            EXPECT_TRUE(GStringPool::GetString(GStringPool::GetEnglish(), id, text) && !text.IsEmpty()) << id;
        }
    }
    for (int id : {2449, 2465, 40080, 40089, 40095, 40107, 40156, 40172, 40208, 40257, 40271, 40282}) {
        GString text;
        EXPECT_FALSE(GStringPool::GetString(GStringPool::GetEnglish(), id, text)) << id;
    }
}

TEST_F(GExceptionTest, TheLockFileTextRefersToTheSupportSite) {
    EXPECT_NE(Text(GSimpleException(40091).GetDescription()).find("support web site"), std::string::npos);
}

TEST_F(GExceptionTest, InsideALocationTheContextPrecedesTheText) {
    const GString path("/Users/anna/Documents/Brochure.indd");
    {
        GExceptionLocation location(path);
        const GSimpleException e(40010);
        EXPECT_TRUE(e.HasContext());
        EXPECT_EQ(Text(e.GetDescription()), "File or directory not found or incomplete path name");
        EXPECT_EQ(Text(e.GetFullDescription()),
                  "/Users/anna/Documents/Brochure.indd: File or directory not found or incomplete path name");
    }
    const GSimpleException outside(40010);
    EXPECT_FALSE(outside.HasContext());
    EXPECT_EQ(Text(outside.GetFullDescription()), "File or directory not found or incomplete path name");
}

TEST_F(GExceptionTest, TheInnermostLocationGivesTheContext) {
    const GString outer("outer");
    const GString inner("inner");
    GExceptionLocation first(outer);
    {
        GExceptionLocation second(40076);
        EXPECT_EQ(Text(GSimpleException(2454).GetFullDescription()),
                  "Copying %1 to %2: Could not read data from file");
        {
            GExceptionLocation third(inner);
            EXPECT_EQ(Text(GSimpleException(2454).GetFullDescription()), "inner: Could not read data from file");
        }
    }
    EXPECT_EQ(Text(GSimpleException(2454).GetFullDescription()), "outer: Could not read data from file");
}

// The location refers to the string, so a temporary that would die first is refused.
static_assert(!std::is_constructible<GExceptionLocation, GString&&>::value, "temporary strings are refused");
static_assert(!std::is_constructible<GExceptionLocation, const char*>::value, "temporary strings are refused");
static_assert(std::is_nothrow_copy_constructible<GCustomException>::value, "copying an exception never throws");

TEST_F(GExceptionTest, AnEmptyStringGivesNoContext) {
    const GString empty;
    GExceptionLocation location(empty);
    const GSimpleException e(2453);
    EXPECT_FALSE(e.HasContext());
    EXPECT_EQ(Text(e.GetFullDescription()), "Unexpected end of data");
}

TEST_F(GExceptionTest, CopiesKeepTheContextAfterTheScopeIsLeft) {
    std::unique_ptr<GSimpleException> original;
    {
        const GString name("report.pdf");
        GExceptionLocation location(name);
        original = std::make_unique<GSimpleException>(2460);
    }
    const GSimpleException copy(*original);
    GSimpleException assigned(2450);
    assigned = *original;
    original.reset();
    for (const GException* e : {static_cast<const GException*>(&copy), static_cast<const GException*>(&assigned)}) {
        EXPECT_EQ(e->GetExceptionID(), 2460);
        EXPECT_EQ(Text(e->GetFullDescription()), "report.pdf: Could not open file to stream to");
    }
}

TEST_F(GExceptionTest, TheDefaultExceptionIsGeneralAndTakesTheContext) {
    const GString what("importing");
    GExceptionLocation location(what);
    const GException e;
    EXPECT_EQ(e.GetExceptionID(), 2450);
    EXPECT_EQ(Text(e.GetFullDescription()), "importing: General Exception");
}

TEST_F(GExceptionTest, MemoryExceptionsTakeNoContextAndAreBadAlloc) {
    const GString what("allocating");
    GExceptionLocation location(what);
    EXPECT_FALSE(GMemoryException().HasContext());
    EXPECT_FALSE(GSimpleException(2451).HasContext());
    EXPECT_EQ(Text(GMemoryException().GetFullDescription()), "Out of memory");
    EXPECT_STREQ(GMemoryException().what(), std::bad_alloc().what());

    try {
        throw GMemoryException();
    } catch (const std::bad_alloc& e) {
        EXPECT_NE(dynamic_cast<const GMemoryException*>(&e), nullptr);
    }
    try {
        throw GMemoryException();
    } catch (const GException& e) {
        EXPECT_EQ(e.GetExceptionID(), 2451);
    }
    // One std::exception base only, so a handler for it is not ambiguous.
    try {
        throw GMemoryException();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), std::bad_alloc().what());
    }
}

TEST_F(GExceptionTest, ACustomTextReplacesTheTextOfTheID) {
    const GString where("saving");
    GExceptionLocation location(where);
    const GCustomException custom(40074, GString("Permission denied"));
    EXPECT_EQ(custom.GetExceptionID(), 40074);
    EXPECT_EQ(Text(custom.GetDescription()), "Permission denied");
    EXPECT_EQ(Text(custom.GetFullDescription()), "saving: Permission denied");

    const GCustomException withoutText(40074);
    EXPECT_EQ(withoutText.GetCustomText(), nullptr);
    EXPECT_EQ(Text(withoutText.GetDescription()), "A UNIX System Error has occurred");
    const GCustomException emptyText(40074, GString(""));
    EXPECT_EQ(Text(emptyText.GetDescription()), "A UNIX System Error has occurred");
}

TEST_F(GExceptionTest, CopiesOfCustomExceptionsWithAndWithoutText) {
    const GCustomException withText(40275, GString("The volume is read-only"));
    const GCustomException withoutText(40275);
    GCustomException copy(withoutText);
    EXPECT_EQ(copy.GetCustomText(), nullptr);
    EXPECT_EQ(Text(copy.GetDescription()), "Internal Cocoa file system error");
    copy = withText;
    EXPECT_EQ(Text(copy.GetDescription()), "The volume is read-only");
    copy = withoutText;
    EXPECT_EQ(Text(copy.GetDescription()), "Internal Cocoa file system error");
    // Caught through the base, the custom text still describes it.
    try {
        throw GCustomException(withText);
    } catch (const GException& e) {
        EXPECT_EQ(Text(e.GetLngDescription()), "The volume is read-only");
    }
}

TEST_F(GExceptionTest, AnAbortIsTheCanceledAction) {
    try {
        throw GAbortException();
    } catch (const GException& e) {
        EXPECT_EQ(e.GetExceptionID(), 2459);
        EXPECT_EQ(Text(e.GetDescription()), "Action has been canceled");
    }
}

TEST_F(GExceptionTest, AnIDWithoutTextDescribesItselfAsNothing) {
    EXPECT_EQ(Text(GSimpleException(987654).GetDescription()), "");
}

// Two threads reach a point together and go on.
class Rendezvous {
public:
    explicit Rendezvous(int parties) : mWaiting(parties) {}
    void Arrive() {
        std::unique_lock<std::mutex> lock(mMutex);
        if (--mWaiting == 0)
            mAllThere.notify_all();
        mAllThere.wait(lock, [this] { return mWaiting == 0; });
    }

private:
    std::mutex mMutex;
    std::condition_variable mAllThere;
    int mWaiting;
};

TEST_F(GExceptionTest, EachThreadCapturesItsOwnContext) {
    Rendezvous inside(2);
    Rendezvous built(2);
    std::string seen[2];
    auto work = [&](int index, const char* name) {
        const GString context(name);
        GExceptionLocation location(context);
        inside.Arrive();  // both threads are within their scope now
        const GSimpleException e(2454);
        built.Arrive();  // and neither has left it
        seen[index] = Text(e.GetFullDescription());
    };
    std::thread first(work, 0, "first.indd");
    std::thread second(work, 1, "second.indd");
    first.join();
    second.join();
    EXPECT_EQ(seen[0], "first.indd: Could not read data from file");
    EXPECT_EQ(seen[1], "second.indd: Could not read data from file");
    EXPECT_FALSE(GSimpleException(2454).HasContext());
}

TEST_F(GExceptionTest, LocationsEndingOutOfOrderRemoveTheirOwnRecords) {
    const GString outer("outer");
    const GString inner("inner");
    auto first = std::make_unique<GExceptionLocation>(outer);
    auto second = std::make_unique<GExceptionLocation>(inner);
    first.reset();
    EXPECT_EQ(Text(GExceptionLocation::GetLngDescription()), "inner");
    second.reset();
    EXPECT_TRUE(GExceptionLocation::GetLngDescription().IsEmpty());
}

TEST_F(GExceptionTest, ALocationEndingOnAnotherThreadLeavesThatThreadsRecordsAlone) {
    const GString mine("mine");
    const GString theirs("theirs");
    const int tablesBefore = GExceptionLocation::GetContextStack().CountThreadTables();
    auto location = std::make_unique<GExceptionLocation>(mine);
    std::string seenByOther;
    std::thread other([&] {
        GExceptionLocation own(theirs);
        location.reset();
        seenByOther = Text(GExceptionLocation::GetLngDescription());
    });
    other.join();
    EXPECT_EQ(seenByOther, "theirs");
    EXPECT_TRUE(GExceptionLocation::GetLngDescription().IsEmpty());
    EXPECT_EQ(GExceptionLocation::GetContextStack().CountThreadTables(), tablesBefore);
}

// Out-of-memory handling while contexts are captured. The handler runs on a thread that is not
// capturing exactly as before; only the capturing thread gives up at once.
class GExceptionCaptureMemoryTest : public GExceptionTest {
protected:
    void SetUp() override {
        GAllocator::Finalize();
        std::set_new_handler(nullptr);
        GAllocator::Initialize();
        sNotified = 0;
        GAllocator::SetLowMemoryNotifier(FreeSomething);
    }
    void TearDown() override {
        GAllocator::SetLowMemoryNotifier(nullptr);
        GAllocator::Finalize();
        std::set_new_handler(nullptr);
        GAllocator::Initialize();
    }

    static void FreeSomething() {
        ++sNotified;
        GAllocator::GetInstance()->SetMoreMemoryFree(true);
    }

    enum class Outcome { kReturned, kMemoryException, kOther };
    static Outcome RunHandler() {
        try {
            std::get_new_handler()();
            return Outcome::kReturned;
        } catch (const GMemoryException&) {
            return Outcome::kMemoryException;
        } catch (...) {
            return Outcome::kOther;
        }
    }

    static std::atomic<int> sNotified;
};

std::atomic<int> GExceptionCaptureMemoryTest::sNotified{0};

TEST_F(GExceptionCaptureMemoryTest, OnlyTheCapturingThreadFailsFast) {
    Rendezvous capturing(2);
    Rendezvous othersDone(2);
    Outcome capturingOutcome = Outcome::kOther;
    bool capturingFlag = false;
    std::thread capturer([&] {
        GAllocator::FailFastScope failFast;
        capturing.Arrive();
        othersDone.Arrive();  // the other thread ran the handler while this one was capturing
        capturingFlag = GAllocator::IsFailingFast();
        capturingOutcome = RunHandler();
    });
    capturing.Arrive();
    EXPECT_FALSE(GAllocator::IsFailingFast());
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
    EXPECT_EQ(RunHandler(), Outcome::kReturned);
    EXPECT_EQ(sNotified.load(), 1);
    othersDone.Arrive();
    capturer.join();
    EXPECT_TRUE(capturingFlag);
    EXPECT_EQ(capturingOutcome, Outcome::kMemoryException);
    EXPECT_EQ(sNotified.load(), 1);
    EXPECT_FALSE(GAllocator::IsFailingFast());
}

TEST_F(GExceptionCaptureMemoryTest, CapturingLeavesTheProcessHandlerAlone) {
    const GString where("somewhere");
    GExceptionLocation location(where);
    const GSimpleException e(2454);
    EXPECT_TRUE(e.HasContext());
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
    EXPECT_FALSE(GAllocator::IsFailingFast());
}

// The handler is the process's: another thread must find it in place at every moment, also while
// this one captures. A large context keeps each capture busy copying long enough for a swap of
// the handler, however brief, to be seen by a thread reading it in a loop.
TEST_F(GExceptionCaptureMemoryTest, OtherThreadsFindTheHandlerInPlaceWhileContextsAreCaptured) {
    const std::string bytes(256u << 10, 'x');
    const GString large(bytes.c_str());
    GExceptionLocation location(large);
    std::atomic<bool> done{false};
    std::atomic<long> reads{0};
    std::atomic<long> otherHandlers{0};
    std::thread reader([&] {
        while (!done.load(std::memory_order_relaxed)) {
            if (std::get_new_handler() != &GAllocator::NewHandler)
                ++otherHandlers;
            ++reads;
        }
    });
    while (reads.load() == 0)
        std::this_thread::yield();
    // Enough captures, and the reader seen at work during them, within a bound for a busy machine.
    const long readsBefore = reads.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int made = 0;
    int withContext = 0;
    while ((made < 200 || reads.load() - readsBefore < 100000) && std::chrono::steady_clock::now() < deadline) {
        const GSimpleException e(2454);
        ++made;
        withContext += e.HasContext() ? 1 : 0;
    }
    done = true;
    reader.join();
    EXPECT_EQ(withContext, made);
    EXPECT_EQ(otherHandlers.load(), 0) << "in " << reads.load() << " reads during " << made << " captures";
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
}

#ifndef TROVEL_TEST_UNDER_SANITIZER

std::atomic<int> gRefusals{0};
void CountRefusal() { ++gRefusals; }

// In a child whose address space is capped, copying a large context for the capture really fails:
// the exception is still made, without context, and no low-memory handling runs. Copying the same
// string outside a capture then goes through the handler as usual.
int CaptureUnderRefusal() {
    GAllocator::SetLowMemoryNotifier(CountRefusal);
    const std::string bytes(96u << 20, 'x');
    const GString huge(bytes.c_str());
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 10;
    const bool read = std::fscanf(statm, "%ld", &pages) == 1;
    std::fclose(statm);
    const rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (32ul << 20);
    const rlimit limit{cap, cap};
    if (!read || setrlimit(RLIMIT_AS, &limit) != 0)
        return 11;
    GExceptionLocation location(huge);
    try {
        const GSimpleException e(2454);
        if (e.HasContext())
            return 12;
    } catch (...) {
        return 13;
    }
    if (gRefusals != 0 || std::get_new_handler() != &GAllocator::NewHandler)
        return 14;
    try {
        const GString copy(huge);
        return 15;
    } catch (const GMemoryException&) {
    }
    return gRefusals == 1 ? 0 : 16;
}

TEST_F(GExceptionCaptureMemoryTest, ARefusedAllocationWhileCapturingLeavesTheContextEmpty) {
    EXPECT_EXIT(_exit(CaptureUnderRefusal()), ::testing::ExitedWithCode(0), "");
}

#endif

}  // namespace
