#include "plugin/saveas/GCPTSaveAsAction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <memory>
#include <string>

#include "core/base/GException.h"
#include "core/text/GLngString.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/filesystem/GFileSystem.h"
#include "services/paths/GNativePath.h"

namespace {

constexpr int kUnableToRetrievePDFSetting = 30060004;
constexpr int kUnableToRetrieveSystemFileData = 30060010;
constexpr int kUnableToExecuteCreatePackage = 30060016;

void EnsureFolder(GPathName const& folder) {
    if (!GFileSystem::TryFolderExists(folder))
        GFileSystem::CreateFolder(folder);
}

bool IsRegularFile(GPathName const& path) {
    struct stat info;
    return !path.IsEmpty() && stat(NativePathBytes(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Makes the file, new and empty; false when anything stands at the path (a link too).
bool MakeNewFile(GPathName const& path) {
    int const fd = open(NativePathBytes(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

// Makes the folder, new and empty; false when anything stands at the path (a link too).
bool MakeNewFolder(GPathName const& path) { return mkdir(NativePathBytes(path).c_str(), 0777) == 0; }

// folder/leaf, or leaf inside a new unique folder of folder when something stands there. The
// name is held at once by a new empty item: a test for the name and a later write would let two
// exports at the same time take the same name, and the later would fail or replace the earlier's
// work. A new unique folder needs no more holding.
void UniquePath(GPathName const& folder, GString const& leaf, GPathName& result, bool (*hold)(GPathName const&)) {
    EnsureFolder(folder);
    GPathName path = folder;
    path.Append(leaf);
    if (!hold(path)) {
        GPathName unique;
        GFileSystem::CreateUniqueFolder(folder / GPathName("XXXXX"), unique);
        path = unique;
        path.Append(leaf);
    }
    result = path;
}

GString PluginErrorText(GString const& detail) {
    GLngString message(GCPTSaveAsAction::cPluginErrorID);
    message.AddString(detail);
    return message.GetReadableString();
}

}  // namespace

GCPTSaveAsAction::GCPTSaveAsAction() {
    Subscribe(cExportRequestSignal);
    Subscribe(cStopRequestSignal);
}

GCPTSaveAsAction::~GCPTSaveAsAction() {
    UnSubscribe(cStopRequestSignal);
    UnSubscribe(cExportRequestSignal);
}

void GCPTSaveAsAction::Receive(int signal, GCPTSaveAsProperties const& request) {
    if (!IsActive())
        return;
    if (mExporting) {
        // Sent from inside the running export: the request in use must outlive it, and an
        // export is not started within another.
        if (signal == cStopRequestSignal)
            mStopProcessing = true;
        return;
    }
    mRequest = GAutoPtr<GCPTSaveAsProperties>(new GCPTSaveAsProperties(request));
    mPackageName = request.GetName();
    if (signal == cStopRequestSignal) {
        mStopProcessing = true;
        return;
    }
    if (signal != cExportRequestSignal || mPackageName.IsEmpty())
        return;
    Notify(RunExport());
}

int GCPTSaveAsAction::RunExport() {
    mLastError.Clear();
    mPDFPath.Clear();
    mPackagePath.Clear();
    bool done = false;
    {
        // Cleared on every way out, or the action would refuse all later requests.
        mExporting = true;
        std::unique_ptr<bool, void (*)(bool*)> const exporting(&mExporting, [](bool* flag) { *flag = false; });
        done = TryExecute();
    }
    // The export has loaded the job options: their folder goes once the sender's request does.
    if (mRequest.Get() != nullptr)
        mRequest->ReleaseJobOptions();
    if (done)
        return cExportSucceeded;
    if (mStopProcessing) {
        mStopProcessing = false;
        return cExportStopped;
    }
    return cExportFailed;
}

bool GCPTSaveAsAction::TryExecute() {
    try {
        return Execute();
    } catch (GException const& e) {
        mLastError = PluginErrorText(e.GetDescription());
    } catch (std::exception const& e) {
        mLastError = PluginErrorText(GString(e.what()));
    } catch (...) {
        SetPluginError(cPDFExportFailedID);
    }
    return false;
}

bool GCPTSaveAsAction::Execute() {
    mStopProcessing = false;
    if (!IsActive())
        return false;
    if (mPackageName.IsEmpty())
        return true;
    GPathName folder;
    if (!GetOutputFolder(mPackageName, folder)) {
        SetPluginError(kUnableToRetrieveSystemFileData);
        return false;
    }
    // The job options that the request extracted when it was made, which the export loads: the
    // package is not read again.
    if (mRequest.Get() == nullptr || !IsRegularFile(mRequest->GetJobOptions())) {
        GLngString message(kUnableToRetrievePDFSetting);
        message.AddString(mPackageName);
        mLastError = message.GetReadableString();
        return false;
    }
    return ExportTo(folder);
}

bool GCPTSaveAsAction::ExportTo(GPathName const& folder) {
    if (mRequest.Get() == nullptr) {
        SetPluginError(cPDFExportFailedID);
        return false;
    }
    if (!SaveAsPDF(*mRequest, folder)) {
        if (mLastError.IsEmpty())
            SetPluginError(cPDFExportFailedID);
        return false;
    }
    if (!mRequest->GetPluginSettings()->IsFilePackageIncluded())
        return true;
    // Next to the PDF, also when the PDF went into a unique folder of its own.
    GPathName const packageFolder = mPDFPath.IsEmpty() ? folder : mPDFPath.GetBranch();
    if (!CreatePackage(packageFolder)) {
        if (mLastError.IsEmpty())
            SetPluginError(kUnableToExecuteCreatePackage);
        return false;
    }
    return true;
}

void GCPTSaveAsAction::SetPluginError(int stringID) {
    GLngString message(cPluginErrorID);
    message.AddStringID(stringID);
    mLastError = message.GetReadableString();
}

// Paths compare without case; on this platform two names that differ in case are two files.
void GCPTSaveAsAction::SetSaveAsPDF(GPathName const& path) {
    if (!(mPDFPath.GetCrossPlatformString() == path.GetCrossPlatformString()))
        mPDFPath = path;
}

void GCPTSaveAsAction::SetPackagePath(GPathName const& path) {
    if (!(mPackagePath.GetCrossPlatformString() == path.GetCrossPlatformString()))
        mPackagePath = path;
}

void GCPTSaveAsAction::GetUniquePDFFilePath(GPathName const& folder, GString const& name, GPathName& result) {
    GString leaf = ZARidizoTools::GetSafeFolderName(name);
    leaf += GString(".pdf");
    UniquePath(folder, leaf, result, MakeNewFile);
}

void GCPTSaveAsAction::GetUniqueFolderPath(GPathName const& folder, GString const& name, GPathName& result) {
    UniquePath(folder, ZARidizoTools::GetSafeFolderName(name), result, MakeNewFolder);
}

bool GCPTSaveAsAction::GetOutputFolder(GString const& trovelorName, GPathName& folder) {
    GPathName output;
    if (!ZARidizoTools::GetOutputPDFPath(output))
        return false;
    output.Append(ZARidizoTools::GetSafeFolderName(trovelorName));
    folder = output;
    return true;
}
