#pragma once
// GCPTSaveAsAction: the worker's half of the export. It receives export requests (signal 106)
// and stop requests (107), exports the request when it is the active action, and tells its
// observers how the export ended: 11 succeeded, 12 failed (GetLastError says why), 13 stopped.
// The host-bound steps, the PDF export and the file package, are left to a subclass.
//
// Callers may rely on:
// - Only an active action takes requests; every request it takes replaces its own copy, one
//   with an empty Trovelor name exports nothing and notifies nothing, a stop request alone
//   notifies nothing.
// - Each export starts with no recorded PDF or package path and no error text, so an outcome
//   never names the file or the reason of an earlier export. A failure always carries a text.
// - While an export runs, a stop request only sets the stop flag: the request in use stays as it
//   is until the export ends, and an export request is refused rather than run inside it.
// - An export loads the job options that its request carries (a request without them fails
//   with "Unable to retrieve PDF setting"), and its copy lets go of them when it ends.
// - No exception leaves Receive from the export: one that a step throws ends the export as
//   failed (12) with its text.
// - The unique paths never name a file, folder or link that stood there before, and keep the
//   given name inside the given folder.
// Main thread only: the export runs inside the sender's call.
#include "core/memory/GAutoPtr.h"
#include "core/signals/GReceiver.h"
#include "core/signals/GSubjectT.h"
#include "core/text/GString.h"
#include "plugin/saveas/GCPTAbstractAction.h"
#include "plugin/saveas/GCPTSaveAsProperties.h"
#include "services/paths/GPathName.h"

class GCPTSaveAsAction : public GCPTAbstractAction, public GReceiver<GCPTSaveAsProperties>, public GSubjectT<> {
public:
    // Signals, with the request as payload.
    static constexpr int cExportRequestSignal = 106;
    static constexpr int cStopRequestSignal = 107;
    // Notifications of the subject.
    static constexpr int cExportSucceeded = 11;
    static constexpr int cExportFailed = 12;
    static constexpr int cExportStopped = 13;
    // String ids of the plug-in's texts: "Plug-in Error: %1" and "Unable to execute PDF Export
    // command", which tell an export's failure.
    static constexpr int cPluginErrorID = 30060005;
    static constexpr int cPDFExportFailedID = 30060007;

    GCPTSaveAsAction();
    ~GCPTSaveAsAction() override;

    GString const& GetLastError() const override { return mLastError; }
    bool Execute() override;
    void Receive(int signal, GCPTSaveAsProperties const& request) override;
    virtual bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) = 0;
    virtual bool CreatePackage(GPathName const& folder) = 0;

    void StopProcessing(bool stop) { mStopProcessing = stop; }
    bool IsStopProcessing() const { return mStopProcessing; }

    // Recorded by the subclass after a successful PDF export and package step.
    void SetSaveAsPDF(GPathName const& path);
    void SetPackagePath(GPathName const& path);
    GPathName const& GetSaveAsPDF() const { return mPDFPath; }
    GPathName const& GetPackagePath() const { return mPackagePath; }

    // The Trovelor of the last request taken, and the action's copy of that request (null
    // before the first).
    GString const& GetPackageName() const { return mPackageName; }
    GCPTSaveAsProperties const* GetRequest() const { return mRequest.Get(); }

    // folder/<name>.pdf, or the same inside a new unique folder of folder when something stands
    // there; the folder is made when missing. The name becomes one safe file name. In folder the
    // name is held by a new empty file, so that an export running at the same time takes another
    // (the caller removes it when no PDF replaces it). Throws the file system's exception when a
    // folder cannot be made.
    static void GetUniquePDFFilePath(GPathName const& folder, GString const& name, GPathName& result);
    // folder/<name> likewise, for the package folder: in folder the name is held by a new empty
    // folder, which the package fills (the caller removes it when no package does).
    static void GetUniqueFolderPath(GPathName const& folder, GString const& name, GPathName& result);
    // The output folder of a Trovelor: the user's output folder and the Trovelor's name as one
    // safe folder name. False when the user's output folder is not usable.
    static bool GetOutputFolder(GString const& trovelorName, GPathName& folder);

protected:
    void SetLastError(GString const& text) { mLastError = text; }
    // "Plug-in Error: " and the text of the string id.
    void SetPluginError(int stringID);
    // The export's own steps once the output folder and job options are settled: the PDF, then
    // the package when the request asks for one (next to the PDF).
    bool ExportTo(GPathName const& folder);

private:
    int RunExport();
    bool TryExecute();

    GString mLastError;
    bool mStopProcessing = false;
    GString mPackageName;
    GPathName mPDFPath;
    GPathName mPackagePath;
    GAutoPtr<GCPTSaveAsProperties> mRequest;
    // True while an export runs: requests arriving then must not touch the request in use.
    bool mExporting = false;
};
