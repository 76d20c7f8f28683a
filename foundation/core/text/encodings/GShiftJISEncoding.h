#pragma once
// GShiftJISEncoding: the way to the Shift-JIS encoding, which is a platform encoding (Mac
// Japanese: Shift-JIS with Apple's extensions) made by the installed factory. There is no object
// of this class.
class GPlatformEncoding;

class GShiftJISEncoding {
public:
    // Owned by the factory; null while no factory is installed.
    static GPlatformEncoding* GetInstance();

    GShiftJISEncoding() = delete;
};
