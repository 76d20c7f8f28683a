#pragma once
// The process-wide table of the boss classes that plug-ins add, and the making of their objects.
// A class is made of the interfaces listed for it, each built by its implementation's factory
// record, in the order listed.
#include <string>
#include <vector>

#include "hostsdk/boss/BossClassEntry.h"

class HostBoss;
class PlugIn;

class BossClassRegistry {
public:
    // Adds the plug-in's classes; false with `error` set (nothing added) when a class lists an
    // interface twice, a class is known already, or an implementation has no registered factory.
    static bool Add(const PlugIn& plugIn, std::string& error);
    // Forgets the classes of the plug-in.
    static void Remove(const PlugIn& plugIn);
    // The classes that carry interface `iid`, in the order they were added.
    static std::vector<ClassID> ClassesWith(PMIID iid);
    // A new object of the class with one reference for the caller; null with `error` set when
    // the class is unknown or a factory made nothing. An exception from a constructor leaves
    // nothing behind and passes on to the caller.
    static HostBoss* CreateBoss(ClassID bossClass, std::string& error);
};
