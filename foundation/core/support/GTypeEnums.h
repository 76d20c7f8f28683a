#pragma once
// GTypeEnums: the kinds of file content that GStreamSupport recognises. The values are stored
// and exchanged as plain ints, so they never change.
struct GTypeEnums {
    enum Types : int {
        kNotImplemented = 0,  // nothing recognised
        kEmpty = 1,
        kPDF = 2,
        kPostScript = 3,
        kEPS = 4,
        kJPEG = 5,
        kGIF = 6,
        kTIFF = 7,
        kBMP = 8,
        kCMap = 9,
        kMMType1 = 10,
        kWinType1 = 11,
        kPSType1 = 12,
        kOpenTypeCFF = 13,
        kTrueType = 14,
        kOpenTypeCFFTrueType = 15,
        kTrueTypeCollection = 16,
        kType1MacSFNT = 17,
        kMacTrueType = 18,
        kICCProfile = 19,
        kFontMetrics = 20,
        kXML = 21,
    };
};
