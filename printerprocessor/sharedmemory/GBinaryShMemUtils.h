#pragma once
// Moves one value of a plain type (an int32 in machine byte order) between a GSharedMemoryBase
// at its cursor and a variable. On any failure the cursor is put back.
#include "core/base/GException.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"

class GBinaryShMemUtils {
public:
    // Throws 40161 when fewer than sizeof(T) bytes remain, 40163 when fewer were read.
    template <class T, class Memory>
    static void Read(Memory& memory, T& value) {
        GSharedMemoryLocker<Memory> lock(memory);
        const int at = memory.GetCursor();
        if (at < 0 || memory.GetLength() - at < static_cast<int>(sizeof(T)))
            throw GSimpleException(40161);
        T read{};
        if (memory.Read(reinterpret_cast<unsigned char*>(&read), sizeof(T)) != static_cast<int>(sizeof(T))) {
            memory.SetCursor(at);
            throw GSimpleException(40163);
        }
        value = read;
    }

    // Throws 40160 when fewer than sizeof(T) bytes remain, 40164 when fewer were written.
    template <class T, class Memory>
    static void Write(Memory& memory, T const& value) {
        GSharedMemoryLocker<Memory> lock(memory);
        const int at = memory.GetCursor();
        if (at < 0 || memory.GetLength() - at < static_cast<int>(sizeof(T)))
            throw GSimpleException(40160);
        if (memory.Write(reinterpret_cast<unsigned char const*>(&value), sizeof(T)) != static_cast<int>(sizeof(T))) {
            memory.SetCursor(at);
            throw GSimpleException(40164);
        }
    }
};
