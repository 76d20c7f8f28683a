#pragma once
// The classes of objects that the host makes on request: its commands (the PDF export 0x2505,
// setting the PDF export preferences 0x2507, the book export 0x1001B) and its package objects
// (document package 0x13A09, package report 0x13A0B, book package 0x13A10).
#include "hostsdk/base/HostTypes.h"

class HostBoss;
class StandInHost;

class HostObjectClasses {
public:
    static constexpr ClassID kPDFExportCommand = 0x2505;
    static constexpr ClassID kSetPDFExportPrefsCommand = 0x2507;
    static constexpr ClassID kBookExportCommand = 0x1001B;
    static constexpr ClassID kPackage = 0x13A09;
    static constexpr ClassID kPackageReport = 0x13A0B;
    static constexpr ClassID kBookPackage = 0x13A10;

    // A new object with one reference for the caller; null for a class the host does not make.
    static HostBoss* Create(StandInHost& host, ClassID objectClass);
    static bool IsCommand(ClassID objectClass);
};
