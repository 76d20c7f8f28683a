#pragma once
// The process-wide registry of factory records. Records announce themselves while a plug-in's
// library is loaded; the host then registers every announced record at once, or none when one
// of them is incomplete or its implementation ID is taken. A withdrawn record is gone from both
// lists.
#include <cstddef>
#include <string>

#include "hostsdk/boss/InterfaceFactoryRecord.h"

class InterfaceFactoryRegistry {
public:
    static void Announce(const InterfaceFactoryRecord* record);
    static void Withdraw(const InterfaceFactoryRecord* record);
    // Registers the announced records; false with `error` set (and nothing registered, the
    // announced records dropped) when one is incomplete or its ID is registered already.
    static bool RegisterAnnounced(std::string& error);
    static const InterfaceFactoryRecord* Find(ImplementationID implementation);
    static std::size_t Count();
};
