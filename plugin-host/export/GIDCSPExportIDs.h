#pragma once
// The host classes the exports make and the string ids of their failures.
#include <cstdint>

#include "hostsdk/base/HostTypes.h"

namespace GIDCSPExportIDs {

// Host classes.
constexpr ClassID kPDFExportCommand = 0x2505;
constexpr ClassID kSetPDFExportPrefsCommand = 0x2507;
constexpr ClassID kBookExportCommand = 0x1001B;
constexpr ClassID kPackageClass = 0x13A09;
constexpr ClassID kPackageReportClass = 0x13A0B;
constexpr ClassID kBookPackageClass = 0x13A10;
// What the book export data is given: the PDF format and no dialog or alert of the host.
constexpr ClassID kPDFFormat = 0x25A8;
constexpr std::int32_t kNoHostUI = 0xFF;

// Failures (the plug-in tools layer's texts; 11010032 is the Qt layer's "Pages").
constexpr int kNoDocument = 30060001;
constexpr int kPluginError = 30060005;
constexpr int kCommandNotFound = 30060006;
constexpr int kCommandFailed = 30060007;
constexpr int kNoPreferences = 30060008;
constexpr int kJobOptionsNotRead = 30060009;
constexpr int kNoFileData = 30060010;
constexpr int kOneFontMissing = 30060011;
constexpr int kFontsMissing = 30060012;
constexpr int kNoFontUsage = 30060013;
constexpr int kPackageNotFound = 30060015;
constexpr int kPackageFailed = 30060016;
constexpr int kReportNotFound = 30060017;
constexpr int kReportFailed = 30060018;
constexpr int kCannotSave = 30060019;
constexpr int kInvalidDocument = 30060020;
constexpr int kCannotOpen = 30060021;
constexpr int kNoBook = 30060022;
constexpr int kPages = 11010032;

}  // namespace GIDCSPExportIDs
