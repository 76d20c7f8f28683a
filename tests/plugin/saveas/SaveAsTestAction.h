#pragma once
// A save-as action for tests: the PDF and package steps write real files where the document
// export would (name.pdf, "name Folder") through the action's unique paths, or do what a test
// asks instead. PackageReadAction stands for a Trovelor whose package was read: its export goes
// straight to the action's own steps, in a folder of the test.
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/signals/GObserverT.h"
#include "core/signals/GSignal.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/saveas/GCPTSaveAsAction.h"

namespace saveastest {

inline GString Utf8Text(std::string const& utf8) {
    return GString(utf8.c_str(), GEncodingFallback::Get<GUTF8Encoding>());
}
inline std::string Native(GPathName const& path) {
    GBuffer const bytes = path.GetNativePathString().GetBuffer(GEncodingFallback::Get<GUTF8Encoding>());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

class TestAction : public GCPTSaveAsAction {
public:
    using SaveStep = std::function<bool(TestAction&, GCPTSaveAsProperties const&, GPathName const&)>;
    using PackageStep = std::function<bool(TestAction&, GPathName const&)>;

    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override {
        mSaveFolders.push_back(Native(folder));
        mSavedRequests.push_back(&request);
        return mSave ? mSave(*this, request, folder) : WritePDF(folder);
    }
    bool CreatePackage(GPathName const& folder) override {
        mPackageFolders.push_back(Native(folder));
        return mPackage ? mPackage(*this, folder) : WritePackage(folder);
    }

    bool WritePDF(GPathName const& folder) {
        GPathName pdf;
        GetUniquePDFFilePath(folder, Utf8Text(mDocument), pdf);
        std::ofstream(Native(pdf), std::ios::binary) << "%PDF-1.4\n";
        SetSaveAsPDF(pdf);
        return true;
    }
    bool WritePackage(GPathName const& folder) {
        GPathName package;
        GetUniqueFolderPath(folder, Utf8Text(mDocument + " Folder"), package);
        // The name chosen is held by an empty folder already, unless it lies in a new unique folder.
        struct stat info {};
        if (mkdir(Native(package).c_str(), 0700) != 0 &&
            (lstat(Native(package).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
            return false;
        SetPackagePath(package);
        return true;
    }

    using GCPTSaveAsAction::ExportTo;
    using GCPTSaveAsAction::SetLastError;
    using GCPTSaveAsAction::SetPluginError;

    std::string mDocument = "Brochure";
    SaveStep mSave;
    PackageStep mPackage;
    std::vector<std::string> mSaveFolders;
    std::vector<std::string> mPackageFolders;
    std::vector<GCPTSaveAsProperties const*> mSavedRequests;
};

class PackageReadAction : public TestAction {
public:
    explicit PackageReadAction(GPathName const& folder) : mFolder(folder) {}
    bool Execute() override {
        StopProcessing(false);
        return ExportTo(mFolder);
    }

private:
    GPathName mFolder;
};

// The codes an action notified, in order.
class Outcomes : public GObserverT<> {
public:
    explicit Outcomes(GSubjectT<>& subject) { subject.Attach(this, 0); }
    void Update(GSubjectT<>* subject, int code) override {
        (void)subject;
        mCodes.push_back(code);
    }
    std::vector<int> mCodes;
};

inline void SendRequest(int signal, GCPTSaveAsProperties const& request) {
    GSignal<GCPTSaveAsProperties>::GetSignal(signal)->Send(request);
}

}  // namespace saveastest
