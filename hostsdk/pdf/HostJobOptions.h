#pragma once
// The stand-in's job-options files: the PDF export settings as text, one "key = value" a line
// (blank lines and lines beginning with "#" are skipped; lines may end in CR LF or CR). Keys,
// each at most once; a key not given keeps its default (HostPdfSettings):
//   useDocumentBleed, includeSlug, spreads, cropMarks, bleedMarks, registrationMarks,
//   colorBars, pageInformation                               true or false
//   bleedTop, bleedBottom, bleedInside, bleedOutside         points, 0 to 432
//   marksOffset                                              points, 0 to 72
//   marksWeight                                              points, above 0 up to 10
// Numbers are read in the C locale. A file larger than 64 KiB, an unknown or repeated key, or a
// value out of its range makes the whole file invalid.
#include <string>

#include "hostsdk/pdf/HostPdfSettings.h"

class HostJobOptions {
public:
    // True with `settings` replaced; false with `error` set and `settings` untouched.
    static bool Read(const std::string& file, HostPdfSettings& settings, std::string& error);
    static bool Parse(const std::string& text, HostPdfSettings& settings, std::string& error);
    static std::string Format(const HostPdfSettings& settings);
};
