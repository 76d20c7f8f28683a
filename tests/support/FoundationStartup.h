#pragma once
// The one start-up of the tests, fuzz targets and benchmarks: what the core layer starts for the
// encodings, until the framework core layer does it. Calling it again changes nothing; what it
// makes stays for the rest of the process.
//
// StartFoundation: the UTF-16 tables, the ASCII, UTF-16 and UTF-8 singletons, the single-byte
// ones, and the platform's rules (line end, localised comparison).
void StartFoundation();

// StartFoundation, and the platform encoding factory (Shift-JIS, the system's code pages) when
// none is installed.
void StartFoundationWithPlatformEncodings();
