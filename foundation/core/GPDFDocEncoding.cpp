#include "GPDFDocEncoding.h"

#include "GSingleByteTables.h"

GSharedObject<GPDFDocEncoding> GPDFDocEncoding::sInstance;

GPDFDocEncoding::GPDFDocEncoding() : GSimpleEncoding(StaticName("PDFDocEncoding")) {
    for (GLatinGlyphRow const& row : cLatinGlyphNames)
        if (row.pdfDocCode != 0)
            AddMapping(row.pdfDocCode, StaticName(row.name));
    for (int byte = 0; byte < 256; ++byte)
        if (cPDFDocToUnicode[byte] != 0)
            AddMapping(static_cast<unsigned char>(byte), static_cast<unsigned short>(cPDFDocToUnicode[byte]));
}

GPDFDocEncoding::~GPDFDocEncoding() = default;
