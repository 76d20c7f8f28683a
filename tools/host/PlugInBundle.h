#pragma once
// A plug-in bundle loaded into the host: the one shared library in "<Name>.plugin/Contents/MacOS/"
// (its resources lie in "Contents/Resources/"), opened with dlopen, and its GetPlugIn. Loading
// the library runs its static initialisers, which announce its factory records; unloading runs
// its static destructors, which withdraw them. The library stays loaded while the object lives.
#include <string>

class PlugIn;

class PlugInBundle {
public:
    PlugInBundle() = default;
    PlugInBundle(const PlugInBundle&) = delete;
    PlugInBundle& operator=(const PlugInBundle&) = delete;
    ~PlugInBundle() { Unload(); }

    // False with `error` set when the bundle has no single library, it does not load, or it
    // exports no GetPlugIn.
    bool Load(const std::string& bundle, std::string& error);
    // Calls GetPlugIn; null when it gives none.
    PlugIn* GetPlugIn() const;
    const std::string& LibraryPath() const { return mLibrary; }
    void Unload();

private:
    void* mHandle = nullptr;
    void* mGetPlugIn = nullptr;
    std::string mLibrary;
};
