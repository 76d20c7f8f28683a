#pragma once
// The fixed first piece of every inter-process object name, chosen by a prefix ID.
class GIPPrefix {
public:
    enum ID { cDefault = 0, cMutex = 1, cSharedData = 2, cSharedDataLock = 3 };

    // "KvoDef", "KvoMtx", "KvoShD", "KvoShL" for IDs 0 to 3; null for any other value.
    static char const* GetPrefix(int id);
};
