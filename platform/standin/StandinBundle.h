#pragma once
// Stands in for the bundle services: a bundle is a folder "<Name>.<ext>/Contents/" holding
// Info.plist, the executable in MacOS/ and the resources in Resources/. What it keeps of the
// original: bundles are found by folder, by the executable file inside them and, for loaded
// code, by the "CFBundleIdentifier" of their Info.plist; the main bundle of a program that is
// not inside a bundle is the folder of its executable, as the original answers for a tool.
//
// Info.plist is read as the XML property list the build writes: the string that follows
// <key>name</key> (with the five XML entities); other value kinds read as absent.
#include <string>

class StandinBundle {
public:
    StandinBundle() = delete;

    // Whether folder/Contents/Info.plist is a file.
    static bool IsBundle(std::string const& folder);
    // False when the bundle has no Info.plist or the key no string value.
    static bool InfoString(std::string const& bundle, std::string const& key, std::string& value);
    // Contents/MacOS/ and the "CFBundleExecutable" (else the folder's leaf without extension).
    static std::string Executable(std::string const& bundle);
    static std::string ResourceFolder(std::string const& bundle) { return bundle + "/Contents/Resources"; }
    // The bundle folder around "<bundle>/Contents/MacOS/<file>"; empty when file lies elsewhere.
    static std::string BundleOfExecutable(std::string const& file);

    // The running program's file (/proc/self/exe); empty when unknown.
    static std::string MainExecutable();
    // The bundle around the main executable, else the executable's folder.
    static std::string MainBundle();
    // The bundle of a loaded file (program or shared library) whose identifier is id; empty
    // when none is loaded.
    static std::string FindLoaded(std::string const& id);
};
