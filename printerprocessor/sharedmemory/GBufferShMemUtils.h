#pragma once
// Moves a length-prefixed GBuffer (an int32 length, then the bytes) between a GSharedMemoryBase
// at its cursor and a buffer. On any failure the cursor is put back. A stored length that is
// negative or runs past the data area is refused before anything is allocated or copied.
#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"

class GBufferShMemUtils {
public:
    // Throws 40161 (length missing, negative or longer than what remains) or 40163.
    template <class Memory>
    static void Read(Memory& memory, GBuffer& buffer) {
        GSharedMemoryLocker<Memory> lock(memory);
        const int at = memory.GetCursor();
        try {
            int length = 0;
            GBinaryShMemUtils::Read(memory, length);
            if (length < 0 || memory.GetLength() - memory.GetCursor() < length)
                throw GSimpleException(40161);
            if (memory.Read(buffer, length) != length)
                throw GSimpleException(40163);
        } catch (...) {
            memory.SetCursor(at);
            throw;
        }
    }

    // Throws 40160 (no room for the length and the bytes) or 40164.
    template <class Memory>
    static void Write(Memory& memory, GBuffer const& buffer) {
        GSharedMemoryLocker<Memory> lock(memory);
        const int at = memory.GetCursor();
        const int length = buffer.GetLength();
        try {
            if (at < 0 || memory.GetLength() - at < length + 4)
                throw GSimpleException(40160);
            GBinaryShMemUtils::Write(memory, length);
            if (length > 0 && memory.Write(buffer.GetPtr(), length) != length)
                throw GSimpleException(40164);
        } catch (...) {
            memory.SetCursor(at);
            throw;
        }
    }
};
