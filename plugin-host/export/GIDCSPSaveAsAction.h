#pragma once
// GIDCSPSaveAsAction: the export action of the host's front document. SaveAsPDF writes the
// document's pages (all, or the request's range) to a new PDF in the output folder through the
// host's PDF export command, with the Trovelor's job options and adjustments; CreatePackage makes
// the host's file package of the document beside it and writes the package report.
//
// Callers may rely on:
// - Each operation returns true on success; on failure it returns false with the rendered
//   reason ("Plug-in Error: ...") as the last error, and throws nothing for host failures.
// - An existing PDF or folder is never overwritten; a PDF whose export failed is not left behind.
// - No host reference obtained here outlives the call, on any path.
// Main thread only, inside the export request's delivery.
#include "hostsdk/base/PMString.h"
#include "hostsdk/commands/IPackageOptions.h"
#include "plugin/saveas/GCPTSaveAsAction.h"

class GIDCSPSaveAsAction : public GCPTSaveAsAction {
public:
    GIDCSPSaveAsAction() = default;

    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override;
    bool CreatePackage(GPathName const& folder) override;

protected:
    // Renders `errorId` with `detail` as the last error; always false.
    bool Fail(int errorId, GString const& detail = GString());
    // The last component of a host name or file, without its extension.
    static GString BaseName(PMString const& name);
    // The end of a PDF export command's run: the PDF recorded, or the failure with nothing left
    // at `pdf` (a path that named nothing before).
    bool Finished(ErrorCode result, GPathName const& pdf);
    // Makes the package of `name` (a host name or file; its base name and " Folder") in a new
    // folder inside `folder`, with the options both exports set, and records it.
    bool MakePackage(IPackageOptions& package, GPathName const& folder, PMString const& name);

    // Gives up a name GetUniquePDFFilePath or GetUniqueFolderPath held in `folder` unless the
    // export filled it, so that an export that ends early leaves no empty file or folder behind;
    // a unique folder made for the name goes too when nothing else is in it.
    class HeldName {
    public:
        HeldName(GPathName const& path, GPathName const& folder) : mPath(path), mFolder(folder) {}
        ~HeldName();
        HeldName(HeldName const&) = delete;
        HeldName& operator=(HeldName const&) = delete;
        // The outcome of the step that fills the name, passed on.
        bool Filled(bool filled) {
            mFilled = filled;
            return filled;
        }

    private:
        GPathName const& mPath;
        GPathName const& mFolder;
        bool mFilled = false;
    };

private:
    static void SetPackageOptions(IPackageOptions& package);
    // Removes a file, or a folder when it is empty; nothing when neither stands there.
    static void RemoveLeftover(GPathName const& path);
};
