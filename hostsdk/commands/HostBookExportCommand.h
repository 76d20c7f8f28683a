#pragma once
// The book export command (class 0x1001B): writes the contents of an open book that its data
// names (every content for the whole book), every page of each in book order, into one PDF with
// the session's PDF export preferences. A chapter open in the host is exported as it stands
// there, another is read from its file. Fails for another format than PDF, a book that is not
// open, a content not of the book, a chapter that cannot be read, or a PDF not written whole.
#include "hostsdk/commands/HostCommand.h"

class HostBookExportData;
class StandInHost;

class HostBookExportCommand : public HostCommand {
public:
    HostBookExportCommand(IPMUnknown* boss, const HostBookExportData& data, StandInHost& host)
        : HostCommand(boss, 0x1001B), mData(data), mHost(host) {}

protected:
    ErrorCode Do() override;

private:
    const HostBookExportData& mData;
    StandInHost& mHost;
};
