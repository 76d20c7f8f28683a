#pragma once
// GCPTSaveAsTool: the export dialog's half of the export. It holds the request the dialog fills
// (the chosen Trovelor, page range, adjustments and package choice), sends it to the actions as
// an export request, and, observing its action, shows a failure or hands the finished PDF and
// file package to the printer-processor application.
//
// Callers may rely on:
// - Without a chosen Trovelor there is no request: GetPrinterName is empty, GetPluginSettings
//   null, SetPageRange does nothing and ExportToPDF sends nothing.
// - ExportToPDF returns when the export and the hand-off are over; no exception leaves it, a
//   failure is shown through the user-message instance under "Export to Trovelor error".
// - After a success a notice goes out for the PDF, then, when a package was asked for, one for
//   the package (as a "file" URL marked "isinddpkg" for the newer receivers). When a notice
//   cannot be delivered, or the action recorded no file, the user is told; the second notice
//   is not tried after the first failed.
// - The tool only reacts to its own action. Main thread only.
#include "core/bytes/GBuffer.h"
#include "core/memory/GAutoPtr.h"
#include "core/signals/GObserverT.h"
#include "core/text/GString.h"
#include "plugin/saveas/GCPTSaveAsAction.h"
#include "plugin/saveas/GCPTSaveAsProperties.h"
#include "services/paths/GPathName.h"

class GCPTFeatureConfiguration;
class GGPCPluginCSSettings;

class GCPTSaveAsTool : public GObserverT<> {
public:
    // The query key that marks a host file package in a package notice.
    static GBuffer const cIsInDesignPackage;
    // The lowest build number of a receiver that takes a package as a marked URL; 666 also does.
    static constexpr int cFirstPackageURLBuild = 637640;

    GCPTSaveAsTool(GCPTSaveAsAction& action, GCPTFeatureConfiguration const* features);
    ~GCPTSaveAsTool() override;

    void Update(GSubjectT<>* subject) override;
    void Update(GSubjectT<>* subject, int code) override;

    // A fresh request for the Trovelor, read from its package. Virtual so that a package can be
    // stood in for where none can be read.
    virtual void SetPrinterName(GString const& name);
    GString GetPrinterName() const;
    void SetPageRange(GString const& range);
    GGPCPluginCSSettings* GetPluginSettings() const;
    // Sends the request as an export request; the export and its outcome are over on return.
    // 0 when it was sent, -1 when not; callers need not look.
    int ExportToPDF();

    GCPTFeatureConfiguration const* GetFeatureConfiguration() const { return mFeatures; }
    GCPTSaveAsProperties const* GetRequest() const { return mRequest.Get(); }

    // The text a package notice carries for a receiver of that build: the package's portable
    // path, or for the newer builds a fully percent-encoded "file" URL of it with the query
    // item "isinddpkg=true".
    static GString GetPackageNoticeText(GPathName const& package, int buildNumber);

private:
    void HandOver();
    void ShowError(GString const& text) const;
    bool Notify(GPathName const& file) const;

    GAutoPtr<GCPTSaveAsProperties> mRequest;
    GCPTSaveAsAction& mAction;
    GCPTFeatureConfiguration const* mFeatures;
};
