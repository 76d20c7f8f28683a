#pragma once
// GStringFileReader: reads a string file into the string pools; each table fills the table of
// its language (made when new), and a text read replaces any earlier text of its id.
#include "services/strings/GStringFileReaderBase.h"

class GStringPoolTable;

class GStringFileReader : public GStringFileReaderBase {
public:
    explicit GStringFileReader(GPathName const& path);
    ~GStringFileReader() override;

protected:
    void HeaderParsed() override;
    void AddString(int id, GString const& text) override;

private:
    GStringPoolTable* mTable = nullptr;
};
