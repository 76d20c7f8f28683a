#pragma once
// The host's implementation of IBookContent: one chapter's file.
#include <string>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/IBookContent.h"

class HostBookContent : public CPMUnknown<IBookContent> {
public:
    HostBookContent(IPMUnknown* boss, std::string file) : CPMUnknown<IBookContent>(boss), mFile(std::move(file)) {}

    IDFile GetContentFile() const override;

private:
    std::string mFile;
};
