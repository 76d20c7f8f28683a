#pragma once
// The host's implementation of IPDFExportPrefs over a HostPdfSettings.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/pdf/HostPdfSettings.h"

class HostPDFExportPrefs : public CPMUnknown<IPDFExportPrefs> {
public:
    HostPDFExportPrefs(IPMUnknown* boss, const HostPdfSettings& settings)
        : CPMUnknown<IPDFExportPrefs>(boss), mSettings(settings) {}

    ErrorCode ReadJobOptions(const IDFile& file) override;
    void SetUseDocumentBleed(bool16 use) override;
    void SetBleedTop(PMReal points) override;
    void SetBleedInside(PMReal points) override;
    void SetBleedOutside(PMReal points) override;
    void SetBleedBottom(PMReal points) override;
    void SetIncludeSlug(bool16 include) override;
    void SetSpreads(bool16 spreads) override;
    void SetCropMarks(bool16 marks) override;
    void SetBleedMarks(bool16 marks) override;
    void SetRegistrationMarks(bool16 marks) override;
    void SetColorBars(bool16 bars) override;
    void SetPageInformation(bool16 information) override;
    void SetMarksOffset(PMReal points) override;
    void SetMarksWeight(PMReal points) override;
    std::int32_t GetSpreads() const override;

    // The host's own access, not logged.
    const HostPdfSettings& Settings() const { return mSettings; }

private:
    void SetFlag(const char* name, bool HostPdfSettings::*member, bool16 value);
    // A length outside 0 to `maximum` is a broken rule and leaves the setting.
    void SetLength(const char* name, double& member, PMReal value, double maximum);

    HostPdfSettings mSettings;
};
