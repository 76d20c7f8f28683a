#pragma once
// The host's implementation of IBookExportData.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/IBookExportData.h"

class HostBookExportData : public CPMUnknown<IBookExportData> {
public:
    explicit HostBookExportData(IPMUnknown* boss) : CPMUnknown<IBookExportData>(boss) {}

    void SetBookFile(const IDFile& book) override;
    void SetContents(const UIDList& contents, bool16 wholeBook) override;
    void SetOutputFile(const IDFile& file, bool16 given) override;
    void SetExportFormat(ClassID format) override;
    void SetUIFlags(std::int32_t flags) override;

    const IDFile& BookFile() const { return mBook; }
    const UIDList& Contents() const { return mContents; }
    bool WholeBook() const { return mWholeBook; }
    const IDFile& OutputFile() const { return mOutput; }
    ClassID Format() const { return mFormat; }

private:
    IDFile mBook;
    UIDList mContents;
    bool mWholeBook = true;
    IDFile mOutput;
    ClassID mFormat = 0;
};
