#include "services/strings/GStringFileReader.h"

#include "core/text/GStringPool.h"

GStringFileReader::GStringFileReader(GPathName const& path) : GStringFileReaderBase(path) {}

GStringFileReader::~GStringFileReader() = default;

void GStringFileReader::HeaderParsed() { mTable = GStringPool::GetTable(mLanguage); }

void GStringFileReader::AddString(int id, GString const& text) {
    if (mTable != nullptr)
        GStringPool::SetString(mTable, id, text, mEncoding);
}
