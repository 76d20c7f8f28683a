// Random sequences of file-system operations (create, copy, move, remove, lock) on a small tree
// in a scratch folder, which holds links that lead out of it and a name without a text form.
// After each step: nothing outside the scratch folder changed, and an operation that reported
// success left on disk what it claims:
// - a file or folder created now is there and of its kind (one that was there is still there);
//   a removed one is gone;
// - a copied file has its source's contents; a copied folder lists as its source (where the
//   source holds no links, which a folder copy turns into their files' contents);
// - a moved item is at its new place and no longer at its old one;
// - a lock taken is held until let go, and its lock file is a regular file in the folder.
//
// Input: a sequence of 4-byte steps: operation, source path, destination path, flags (bit 0
// overwrite, bit 1 follow links). Links that lead out are only ever sources: a destination
// reached through a link is written where the link leads, as asked.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/filesystem/PMacTreeOperations.h"
#include "services/filesystem/GFileSystem.h"
#include "services/locks/GLockFile.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/TreeListing.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The scratch folder and the outside folder that must never change, both under one mkdtemp.
struct Sandbox {
    std::string root;
    std::string scratch;
    std::string outside;
    std::vector<std::string> outsideListing;

    Sandbox() {
        char pattern[] = "/tmp/trovel-fuzz-fs-XXXXXX";
        Check(mkdtemp(pattern) != nullptr);
        root = pattern;
        scratch = root + "/scratch";
        outside = root + "/outside";
        Check(mkdir(outside.c_str(), 0755) == 0);
        WriteFile(outside + "/file", "outside");
        Check(mkdir((outside + "/folder").c_str(), 0755) == 0);
        WriteFile(outside + "/folder/inner", "inner");
        outsideListing = TreeListing(outside, true);
    }
    ~Sandbox() { PMacTreeOperations::RemoveTree(root); }

    // A fresh small tree for each input.
    void Reset() const {
        GFileSystem::TryToRemoveFolder(Path(scratch), -1, 10);
        Check(mkdir(scratch.c_str(), 0755) == 0);
        Check(mkdir((scratch + "/a").c_str(), 0755) == 0);
        Check(mkdir((scratch + "/b").c_str(), 0755) == 0);
        WriteFile(scratch + "/a/f", "f");
        WriteFile(scratch + "/a/g", "g");
        WriteFile(scratch + "/a/\xFF", "no text");
        Check(symlink("../outside", (scratch + "/out").c_str()) == 0);
        Check(symlink("../../outside/file", (scratch + "/a/outfile").c_str()) == 0);
    }

    static GPathName Path(std::string const& utf8) {
        GPathName path;
        path.SetMachOPathString(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
        return path;
    }
};

// Sources may be the links that lead out (an operation on them must not reach through them);
// destinations never are: writing through a link the caller names is what was asked for.
char const* const cSources[] = {"a", "b", "a/f", "a/g", "b/f", "c", "a/c", "b/a", "out", "a/outfile", "f"};
char const* const cDestinations[] = {"a", "b", "a/f", "a/g", "b/f", "c", "a/c", "b/a", "f"};
template <std::size_t N>
std::string Pick(char const* const (&names)[N], uint8_t byte) {
    return names[byte % N];
}

enum Kind { kNone, kFile, kFolder, kOther };

Kind KindOf(std::string const& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return kNone;
    return S_ISREG(info.st_mode) ? kFile : S_ISDIR(info.st_mode) ? kFolder : kOther;
}

bool HoldsLinks(std::string const& folder) {
    for (std::string const& line : TreeListing(folder))
        if (line.find(" link ") != std::string::npos)
            return true;
    return false;
}

std::string Leaf(std::string const& path) { return path.substr(path.find_last_of('/') + 1); }

// One step, with the checks of what it reported.
void Step(Sandbox const& box, uint8_t op, std::string const& one, std::string const& two, bool overwrite, bool follow) {
    const GPathName first = Sandbox::Path(one);
    const GPathName second = Sandbox::Path(two);
    const std::string target = two + "/" + Leaf(one);
    // What the source was before, for the checks after.
    const Kind sourceKind = KindOf(one);
    const std::string sourceText = sourceKind == kFile ? ReadFile(one) : std::string();
    const bool plainFolder = sourceKind == kFolder && !HoldsLinks(one);
    const auto sourceListing = plainFolder ? TreeListing(one) : std::vector<std::string>();
    GPathName made;
    try {
        switch (op % 11) {
        case 0:
            // False: something was there already (a link to a file counts).
            Check(GFileSystem::CreateFile(first) ? KindOf(one) == kFile : KindOf(one) != kNone);
            break;
        case 1:
            Check(GFileSystem::CreateFolder(first) ? KindOf(one) == kFolder : KindOf(one) != kNone);
            break;
        case 2:
            GFileSystem::CopyFileTo(first, second, made, overwrite);
            if (sourceKind == kFile)
                Check(ReadFile(target) == sourceText);
            break;
        case 3:
            GFileSystem::CopyFolderTo(first, second, made, overwrite);
            if (plainFolder)
                Check(TreeListing(target) == sourceListing);
            break;
        case 4:
            GFileSystem::CopyFolderContentsTo(first, second, overwrite);
            break;
        case 5:
            GFileSystem::MoveFileTo(first, second, made, overwrite);
            Check(KindOf(one) == kNone || one == target);
            Check(KindOf(target) != kNone);
            break;
        case 6:
            GFileSystem::MoveFolderTo(first, second, made, overwrite);
            Check(KindOf(one) == kNone || one == target);
            if (plainFolder)
                Check(TreeListing(target) == sourceListing);
            break;
        case 7:
            if (GFileSystem::RemoveFile(first))
                Check(KindOf(one) == kNone);
            break;
        case 8:
            if (GFileSystem::RemoveFolder(first, -1, 10))
                Check(KindOf(one) == kNone);
            break;
        case 9:
            GFileSystem::CopyAndRenameFile(first, second, overwrite, follow);
            if (sourceKind == kFile)
                Check(ReadFile(two) == sourceText);
            break;
        default: {
            GLockFile lock(first);
            if (lock.Lock(overwrite ? GLockFile::kExclusive : GLockFile::kShared)) {
                Check(KindOf(one) == kFile);
                Check(lock.IsLocked(GLockFile::kShared));
                lock.UnLock();
            }
            break;
        }
        }
    } catch (GException const&) {
        // A failure reported is no fault; what it left is checked by the outside listing.
    }
    Check(TreeListing(box.outside, true) == box.outsideListing);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size) {
    StartFoundation();
    static Sandbox const box;
    box.Reset();
    for (std::size_t i = 0; i + 4 <= size && i < 4 * 16; i += 4) {
        const std::string one = box.scratch + "/" + Pick(cSources, data[i + 1]);
        const std::string two = box.scratch + "/" + Pick(cDestinations, data[i + 2]);
        Step(box, data[i], one, two, (data[i + 3] & 1) != 0, (data[i + 3] & 2) != 0);
    }
    return 0;
}
