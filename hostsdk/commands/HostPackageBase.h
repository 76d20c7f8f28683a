#pragma once
// The options and destination that the host's package commands share (IPackageOptions), and
// their run: the folder is made and filled by Fill, and is gone again when Fill fails.
#include <string>

#include "hostsdk/base/IDFile.h"
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/HostPackageFolder.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

template <class I>
class HostPackageBase : public CPMUnknown<I> {
public:
    explicit HostPackageBase(IPMUnknown* boss, const char* name) : CPMUnknown<I>(boss), mName(name) {}

    void SetDestination(const IDFile& folder) override {
        if (!Enter("SetDestination", HostQuote(folder.GetString())))
            mDestination = folder.GetString().GetUTF8String();
    }
    void SetCopyFonts(bool16 copy) override { Set("SetCopyFonts", mCopyFonts, copy); }
    void SetCopyLinkedGraphics(bool16 copy) override { Set("SetCopyLinkedGraphics", mCopyGraphics, copy); }
    void SetUpdateGraphicLinks(bool16 update) override { Set("SetUpdateGraphicLinks", mUpdateLinks, update); }
    void SetIncludeHiddenLayers(bool16 include) override { Set("SetIncludeHiddenLayers", mHiddenLayers, include); }
    void SetIgnorePreflightErrors(bool16 ignore) override { Set("SetIgnorePreflightErrors", mIgnorePreflight, ignore); }
    void SetCreateReport(bool16 create) override { Set("SetCreateReport", mCreateReport, create); }
    void SetCopyIDML(bool16 copy) override { Set("SetCopyIDML", mCopyIDML, copy); }
    void SetCopyPDF(bool16 copy) override { Set("SetCopyPDF", mCopyPDF, copy); }

    ErrorCode Execute() override {
        if (Enter("Execute", "\"" + mDestination + "\""))
            return kFailure;
        if (mRan) {
            HostCallLog::Violation(std::string(mName) + "::Execute run twice");
            return kFailure;
        }
        mRan = true;
        HostPackageFolder folder;
        std::string error;
        if (mDestination.empty() || !folder.Make(mDestination, error) || !Fill(folder, error)) {
            HostCallLog::Notice("package not made: " + (mDestination.empty() ? "no destination" : error));
            return kFailure;
        }
        folder.Keep();
        mMade = true;
        HostCallLog::Notice("package \"" + mDestination + "\" made");
        return kSuccess;
    }

    // The options as the report lists them.
    std::string Options() const {
        const auto flag = [](bool value) { return value ? std::string("on") : std::string("off"); };
        return "Copy fonts: " + flag(mCopyFonts) + "\nCopy linked graphics: " + flag(mCopyGraphics) +
               "\nUpdate graphic links: " + flag(mUpdateLinks) + "\nInclude hidden layers: " + flag(mHiddenLayers) +
               "\nIgnore preflight errors: " + flag(mIgnorePreflight) + "\nCreate report: " + flag(mCreateReport) +
               "\nCopy IDML: " + flag(mCopyIDML) + "\nCopy PDF: " + flag(mCopyPDF) + "\n";
    }
    const std::string& Destination() const { return mDestination; }
    bool Made() const { return mMade; }

protected:
    virtual bool Fill(HostPackageFolder& folder, std::string& error) = 0;
    bool Enter(const char* operation, const std::string& detail) const {
        return HostCallLog::Enter(std::string(mName) + "::" + operation, detail);
    }
    bool mCopyFonts = false;

private:
    void Set(const char* operation, bool& member, bool16 value) {
        if (!Enter(operation, std::to_string(value)))
            member = value != 0;
    }

    const char* mName;
    std::string mDestination;
    bool mCopyGraphics = false;
    bool mUpdateLinks = false;
    bool mHiddenLayers = false;
    bool mIgnorePreflight = false;
    bool mCreateReport = false;
    bool mCopyIDML = false;
    bool mCopyPDF = false;
    bool mRan = false;
    bool mMade = false;
};
