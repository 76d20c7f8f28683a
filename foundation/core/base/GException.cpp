#include "core/base/GException.h"

#include "core/base/GExceptionLocation.h"
#include "core/memory/GAllocator.h"
#include "core/text/GStringPoolData.h"
#include "core/text/GLngString.h"

namespace {

constexpr int kGeneralException = 2450;

// Any failure leaves the context empty: the exception being made must not be replaced by another.
// An allocation failure on this thread throws at once instead of starting the low-memory handling.
std::shared_ptr<const GLngString> CaptureContext() noexcept {
    try {
        GAllocator::FailFastScope failFast;
        GLngString context = GExceptionLocation::GetLngDescription();
        if (context.IsEmpty())
            return nullptr;
        return std::make_shared<const GLngString>(std::move(context));
    } catch (...) {
        return nullptr;
    }
}

const GStringPoolDataStruct kTexts[] = {
    {2450, "General Exception"},
    {2451, "Out of memory"},
    {2452, "Invalid data to decode"},
    {2453, "Unexpected end of data"},
    {2454, "Could not read data from file"},
    {2455, "Problem using the ZLib compression library"},
    {2456, "A critical failure occurred in the JPEG library"},
    {2457, "Wrong or unknown PNG filter tag during decoding of an image"},
    {2458, "A critical failure occurred in the TIFF library"},
    {2459, "Action has been canceled"},
    {2460, "Could not open file to stream to"},
    {2461, "A critical failure occurred in the Jasper library"},
    {2462, "Invalid data to encode"},
    {2463, "Incorrect key length for AES encryption or decryption"},
    {2464, "Could not write data to file"},
    {40000, "File directory full"},
    {40001, "Disk or volume full"},
    {40002, "Volume not found"},
    {40003, "I/O error"},
    {40004, "Bad file name or volume name"},
    {40005, "File not open"},
    {40006, "Logical end-of-file reached"},
    {40007, "Attempt to position mark before the start of the file"},
    {40008, "Memory full (open) or file won't fit (load)"},
    {40009, "Too many files open"},
    {40010, "File or directory not found or incomplete path name"},
    {40011, "Volume is locked through hardware"},
    {40012, "File is locked"},
    {40013, "Volume is locked through software"},
    {40014, "Directory is not empty (or: One or more files are open or File is busy )"},
    {40015, "Duplicate file name and version / Destination file already exists / File found instead of folder"},
    {40016, "File already open for writing"},
    {40017, "Invalid value passed a parameter"},
    {40018, "Invalid reference number"},
    {40019, "Volume is offline"},
    {40020, "Attempt to open locked file for writing, permissions error"},
    {40021, "No such drive"},
    {40022, "Not a Macintosh disk"},
    {40023, "Problem during rename"},
    {40024, "read/write permission doesn't allow writing"},
    {40025, "Directory not found or incomplete pathname"},
    {40026, "Attempt to move"},
    {40027, "Volume does not support Desktop manager. Not an HFS volume."},
    {40028, "non-hardware internal file system error"},
    {40029, "disk driver's hardware was disconnected"},
    {40030, "File ID not Found"},
    {40031, "File ID already exists"},
    {40032, "Specified file is a directory"},
    {40033, "Files on different volumes"},
    {40034, "Catalog has changed and catalog position may be invalid"},
    {40035, "can't exchange file with itself"},
    {40036, "File's EOF, offset, mark or size is too large"},
    {40037, "File or volume is too large for system"},
    {40038, "An FSRef parameter was invalid"},
    {40039, "A supplied fork name was invalid (i.e., was syntactically illegal for the given volume)"},
    {40040, "A non-optional buffer pointer was NULL"},
    {40041, "A file reference number does not correspond to a fork opened with the FSOpenFork, PBOpenForkSync , or PBOpenForkAsync functions"},
    {40042, "A FSCatalogInfoBitmap or FSVolumeInfoBitmap has one or more reserved or undefined bits set"},
    {40043, "A FSCatalogInfo pointer is NULL"},
    {40044, "A parameter was expected to identify a folder, but it identified some other kind of object (e.g. a file) instead."},
    {40045, "An attempt to specify a fork of a given file or directory, but that particular fork does not exist"},
    {40046, "A file or fork name was too long"},
    {40047, "A required file or fork name parameter was a NULL pointer, or the length of a filename was zero"},
    {40048, "An attempt to create a fork, but that fork already exists"},
    {40049, "The flags passed to FSOpenIterator are invalid"},
    {40050, "The value of an FSIterator parameter does not correspond to any currently open iterator"},
    {40051, "The iterator flags or container of an FSIterator are not supported by that call"},
    {40052, "An unknown error has occurred"},
    {40053, "The item to be registered is not an application"},
    {40054, "Data of the desired type is not available"},
    {40055, "No application in the Launch Services database matches the input criteria"},
    {40056, "Data is structured improperly"},
    {40057, "A launch of the application is already in progress"},
    {40058, "There is a problem communicating with the server process that maintains the Launch Services database"},
    {40059, "The filename extension to be hidden cannot be hidden"},
    {40060, "Application version not found"},
    {40061, "Package root not found"},
    {40062, "Framework root not found"},
    {40063, "Unique file or folder can't be created"},
    {40064, "User does not have the correct access to the file"},
    {40065, "Destination file already exists"},
    {40066, "Path is not relative"},
    {40067, "Path is not absolute"},
    {40068, "Invalid path"},
    {40069, "Application root not found"},
    {40070, "Bundle reference not found"},
    {40071, "A Win32 Hresult Error has occurred"},
    {40072, "A Win32 Shell Error has occurred"},
    {40073, "A Win32 System Error has occurred"},
    {40074, "A UNIX System Error has occurred"},
    {40075, "Moving %1 to %2"},
    {40076, "Copying %1 to %2"},
    {40077, "Copying permissions from %1 to %2"},
    {40078, "Creating Alias %1 to %2"},
    {40079, "Opening %1 in the application %2"},
    {40090, "URLs are not supported as path names"},
    {40091, "Internal error. The file was found not locked. Please visit the support web site of the maker of this software for help."},
    {40092, "Internal error. Could not lock."},
    {40093, "Internal error. The lock file is still in use."},
    {40094, "The application could not open %1 because the file was created by another user. Please ask your Administrator to change the permissions for this file."},
    {40100, "Application %1 is not opened"},
    {40101, "Could not determine process number for %1"},
    {40102, "Could not build AppleEvent, error code: %1"},
    {40103, "Could not send AppleEvent, error code: %1"},
    {40104, "Could not launch %1, error code: %2"},
    {40105, "Application returned error code: %1"},
    {40106, "Application failed to execute the command"},
    {40150, "Target application was not listening"},
    {40151, "Not all listening applications have received the broadcast"},
    {40152, "Target application was not running"},
    {40153, "The message you tried to send was too large"},
    {40154, "Unknown IPC version"},
    {40155, "The message does not contain any data"},
    {40160, "Not enough space left for the specified write operation"},
    {40161, "Not enough data left to read an object of the specified type"},
    {40162, "The specified shared memory identifier contains invalid characters"},
    {40163, "Unknown error while reading from the shared memory"},
    {40164, "Unknown error while writing to the shared memory"},
    {40165, "Could not open the specified shared memory"},
    {40166, "Could not create the specified shared memory"},
    {40167, "Could not map the specified shared memory"},
    {40168, "The specified shared memory was already created with another file size"},
    {40169, "Could not initialize the shared memory layer"},
    {40170, "Could not resize the shared memory"},
    {40171, "Too many instances to the same shared memory object opened"},
    {40200, "The specified mutex could not be created"},
    {40201, "The specified mutex identifier contains invalid characters"},
    {40202, "Could not lock the mutex"},
    {40203, "Could not unlock the mutex"},
    {40204, "Could not create the mutex (common resources lock)"},
    {40205, "Could not create event"},
    {40206, "Could not set event"},
    {40207, "Could not release event"},
    {40250, "Could not load the specified framework bundle"},
    {40251, "Could not load the specified method"},
    {40252, "Could not load the specified variable"},
    {40253, "System error, contact your System Administrator: \"The system lacked the necessary resources to create another thread, or the system-imposed limit on the total number of threads in a process would be exceeded.\""},
    {40254, "System error, contact your System Administrator: \"Error creating thread: the value specified by attr is invalid.\""},
    {40255, "System error, contact your System Administrator: \"Error creating thread: permission denied\""},
    {40256, "System error, contact your System Administrator: \"Error creating thread\""},
    {40270, "Random generator already initialised"},
    {40275, "Internal Cocoa file system error"},
    {40276, "Invalid search domain: Only user and local domains are supported"},
    {40277, "Invalid folder type: Cannot determine the path for the specified special folder."},
    {40278, "File does not exist: Failed to query date/time"},
    {40279, "Cannot read file attributes: Permissions not available"},
    {40280, "Cannot create the file: Unable to write to location or operation cannot overwrite existing item"},
    {40281, "Cannot find the file: Read permissions unavailable or the file may not exist"},
};

}  // namespace

GException::GException() noexcept : mID(kGeneralException), mContext(CaptureContext()) {}

GException::GException(int id) noexcept : mID(id) {
    // An out-of-memory exception takes no memory for its context.
    if (id != GMemoryException::kID)
        mContext = CaptureContext();
}

GException::~GException() = default;

GLngString GException::GetLngDescription() const { return GLngString(mID); }

GLngString GException::GetLngFullDescription() const {
    GLngString description = GetLngDescription();
    if (mContext == nullptr)
        return description;
    GLngString full(GString("%1: %2"));
    full.AddLngString(*mContext);
    full.AddLngString(description);
    return full;
}

GString GException::GetDescription() const { return GetLngDescription().GetReadableString(); }

GString GException::GetFullDescription() const { return GetLngFullDescription().GetReadableString(); }

void GException::Initialize() { GStringPoolData::AddEnglishTexts(kTexts, static_cast<int>(sizeof kTexts / sizeof kTexts[0])); }

GSimpleException::~GSimpleException() = default;

GMemoryException::~GMemoryException() = default;
