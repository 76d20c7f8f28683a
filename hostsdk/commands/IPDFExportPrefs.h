#pragma once
// The PDF export preferences of a command (HostPdfSettings); a job-options file (HostJobOptions)
// replaces them all.
#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"

class IPDFExportPrefs : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x2507;
    static constexpr const char* kInterfaceName = "IPDFExportPrefs";

    // Non-zero (nothing changed) when the file cannot be read or is no valid job-options file.
    virtual ErrorCode ReadJobOptions(const IDFile& file) = 0;
    virtual void SetUseDocumentBleed(bool16 use) = 0;
    virtual void SetBleedTop(PMReal points) = 0;
    virtual void SetBleedInside(PMReal points) = 0;
    virtual void SetBleedOutside(PMReal points) = 0;
    virtual void SetBleedBottom(PMReal points) = 0;
    virtual void SetIncludeSlug(bool16 include) = 0;
    virtual void SetSpreads(bool16 spreads) = 0;
    virtual void SetCropMarks(bool16 marks) = 0;
    virtual void SetBleedMarks(bool16 marks) = 0;
    virtual void SetRegistrationMarks(bool16 marks) = 0;
    virtual void SetColorBars(bool16 bars) = 0;
    virtual void SetPageInformation(bool16 information) = 0;
    virtual void SetMarksOffset(PMReal points) = 0;
    virtual void SetMarksWeight(PMReal points) = 0;
    // 1 when spreads are exported, else 0.
    virtual std::int32_t GetSpreads() const = 0;
};
