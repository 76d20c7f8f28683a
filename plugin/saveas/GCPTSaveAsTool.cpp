#include "plugin/saveas/GCPTSaveAsTool.h"

#include <QtCore/QUrl>
#include <QtCore/QUrlQuery>

#include <exception>

#include "core/base/GException.h"
#include "core/signals/GSignal.h"
#include "core/text/GLngString.h"
#include "core/text/GStringPool.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/messages/GUserMessage.h"

namespace {

constexpr int kUnableToLaunchTrovelor = 30060003;
constexpr int kExportToTrovelorError = 30060014;
constexpr int kOldPackageURLBuild = 666;

}  // namespace

GBuffer const GCPTSaveAsTool::cIsInDesignPackage("isinddpkg");

GCPTSaveAsTool::GCPTSaveAsTool(GCPTSaveAsAction& action, GCPTFeatureConfiguration const* features)
    : mAction(action), mFeatures(features) {
    static_cast<GSubjectT<>&>(mAction).Attach(this, 0);
}

GCPTSaveAsTool::~GCPTSaveAsTool() {
    try {
        static_cast<GSubjectT<>&>(mAction).Detach(this);
    } catch (...) {
        // The observer's own destructor detaches from what is left.
    }
}

void GCPTSaveAsTool::SetPrinterName(GString const& name) {
    mRequest = GAutoPtr<GCPTSaveAsProperties>(new GCPTSaveAsProperties(name));
}

GString GCPTSaveAsTool::GetPrinterName() const { return mRequest.Get() != nullptr ? mRequest->GetName() : GString(); }

void GCPTSaveAsTool::SetPageRange(GString const& range) {
    if (mRequest.Get() != nullptr)
        mRequest->SetPageRange(range);
}

GGPCPluginCSSettings* GCPTSaveAsTool::GetPluginSettings() const {
    return mRequest.Get() != nullptr ? mRequest->GetPluginSettings() : nullptr;
}

int GCPTSaveAsTool::ExportToPDF() {
    if (mRequest.Get() == nullptr)
        return -1;
    // Called from the dialog inside Qt's event loop: nothing may pass through it.
    try {
        GSignal<GCPTSaveAsProperties>::GetSignal(GCPTSaveAsAction::cExportRequestSignal)->Send(*mRequest);
        return 0;
    } catch (GException const& e) {
        GLngString message(GCPTSaveAsAction::cPluginErrorID);
        message.AddString(e.GetDescription());
        ShowError(message.GetReadableString());
    } catch (std::exception const& e) {
        GLngString message(GCPTSaveAsAction::cPluginErrorID);
        message.AddString(GString(e.what()));
        ShowError(message.GetReadableString());
    } catch (...) {
        GLngString message(GCPTSaveAsAction::cPluginErrorID);
        message.AddStringID(GCPTSaveAsAction::cPDFExportFailedID);
        ShowError(message.GetReadableString());
    }
    return -1;
}

void GCPTSaveAsTool::Update(GSubjectT<>* subject) { (void)subject; }

void GCPTSaveAsTool::Update(GSubjectT<>* subject, int code) {
    if (subject != static_cast<GSubjectT<>*>(&mAction))
        return;
    if (code == GCPTSaveAsAction::cExportFailed)
        ShowError(mAction.GetLastError());
    else if (code == GCPTSaveAsAction::cExportSucceeded)
        HandOver();
}

void GCPTSaveAsTool::HandOver() {
    GString const failure = GStringPool::GetString(kUnableToLaunchTrovelor);
    if (mRequest.Get() == nullptr || !Notify(mAction.GetSaveAsPDF())) {
        ShowError(failure);
        return;
    }
    if (!mRequest->GetPluginSettings()->IsFilePackageIncluded())
        return;
    GPathName const& package = mAction.GetPackagePath();
    if (package.IsEmpty() || !Notify(GPathName(GetPackageNoticeText(package, mRequest->GetBuildNumber()))))
        ShowError(failure);
}

// A file the export did not record is never announced.
bool GCPTSaveAsTool::Notify(GPathName const& file) const {
    if (file.IsEmpty())
        return false;
    try {
        return ZARidizoTools::NotifyPrinterProcessor(mRequest->GetName(), file);
    } catch (GException const&) {
        return false;
    }
}

void GCPTSaveAsTool::ShowError(GString const& text) const {
    GUserMessage::GetInstance()->ShowErrorMessage(GStringPool::GetString(kExportToTrovelorError), text);
}

GString GCPTSaveAsTool::GetPackageNoticeText(GPathName const& package, int buildNumber) {
    GString const& path = package.GetCrossPlatformString();
    if (buildNumber < cFirstPackageURLBuild && buildNumber != kOldPackageURLBuild)
        return path;
    static QString const fScheme("file");
    QUrl url;
    url.setScheme(fScheme);
    url.setPath(GQStringSupport::ToQString(path), QUrl::DecodedMode);
    QUrlQuery query;
    query.addQueryItem(GQStringSupport::ToQString(cIsInDesignPackage), "true");
    url.setQuery(query);
    return GQStringSupport::ToGString(QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded)));
}
