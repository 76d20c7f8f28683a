// Prints Unicode character data from the installed ICU for the table generator.
// Built and run by generate_encoding_tables.py, so that the tables follow ICU's Unicode version.
//
//   ucd_dump version             ICU's Unicode version
//   ucd_dump names < codes       one hex code point per input line; prints "XXXX<TAB>NAME" ("" when unnamed)
//   ucd_dump compat              every BMP character whose decomposition type is <compat> and whose
//                                decomposition is one BMP character: "XXXX YYYY"
//   ucd_dump convert NAME        the 256 bytes through ICU converter NAME: "BB XXXX" (or "BB -" when unmapped)
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/uversion.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int PrintVersion()
{
    std::printf("%s\n", U_UNICODE_VERSION);
    return 0;
}

int PrintNames()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty())
            continue;
        const UChar32 c = static_cast<UChar32>(std::strtol(line.c_str(), nullptr, 16));
        char name[256] = {};
        UErrorCode status = U_ZERO_ERROR;
        u_charName(c, U_UNICODE_CHAR_NAME, name, sizeof name, &status);
        if (U_FAILURE(status))
            return 1;
        std::printf("%04X\t%s\n", static_cast<unsigned>(c), name);
    }
    return 0;
}

int PrintCompat()
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_FAILURE(status))
        return 1;
    for (UChar32 c = 0; c < 0x10000; ++c) {
        if (u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE) != U_DT_COMPAT)
            continue;
        icu::UnicodeString raw;
        if (!nfkc->getRawDecomposition(c, raw) || raw.length() != 1)
            continue;
        std::printf("%04X %04X\n", static_cast<unsigned>(c), static_cast<unsigned>(raw.charAt(0)));
    }
    return 0;
}

int PrintConversion(const char* converterName)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(converterName, &status);
    if (U_FAILURE(status))
        return 1;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        UChar out[4] = {};
        status = U_ZERO_ERROR;
        ucnv_reset(converter);
        const int32_t n = ucnv_toUChars(converter, out, 4, &byte, 1, &status);
        if (U_FAILURE(status) || n != 1)
            std::printf("%02X -\n", b);
        else
            std::printf("%02X %04X\n", b, static_cast<unsigned>(out[0]));
    }
    ucnv_close(converter);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "version") == 0)
        return PrintVersion();
    if (argc >= 2 && std::strcmp(argv[1], "names") == 0)
        return PrintNames();
    if (argc >= 2 && std::strcmp(argv[1], "compat") == 0)
        return PrintCompat();
    if (argc >= 3 && std::strcmp(argv[1], "convert") == 0)
        return PrintConversion(argv[2]);
    std::fprintf(stderr, "usage: ucd_dump version|names|compat|convert NAME\n");
    return 2;
}
