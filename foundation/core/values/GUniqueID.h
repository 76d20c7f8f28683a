#pragma once
// GUniqueID: time-based unique identifiers of 16 bytes in the layout of a version-1 UUID. The
// printer-processor hand-off names its registrations with them, so the processes of a user must
// never make the same one.
//
// Layout: bytes 0-3, 4-5 and 6-7 are bits 0-31, 32-47 and 48-63 of the timestamp (100-nanosecond
// intervals since 15 October 1582), each most significant byte first, with the high nibble of
// byte 6 set to 1 (version 1); bytes 8-9 the clock sequence, high byte first, with bit 7 of byte 8
// set; bytes 10-15 the node, whose first byte has bit 7 set.
//
// Callers may rely on:
// - The node is the machine's first Ethernet address when the platform has installed a way to
//   read them (SetEtherAddressFunction) and it has one of 6 bytes; otherwise six random bytes.
//   The clock sequence is random. Both are fixed when the object is made.
// - Timestamps never repeat: every identifier takes the wall clock or, when another identifier
//   of this user already took that moment (in any thread or process, a fork included, or after
//   the clock went back), the next interval after the last one taken. Identifiers made faster
//   than ten a microsecond run slightly ahead of the clock.
// - GetBin and GetHex replace out; they leave the object as it is, so one object may be used by
//   several threads.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"

class GUniqueID {
public:
    // Empties the table, then adds the 6-byte address of each Ethernet interface.
    using EtherAddressFunction = void (*)(GTable<GBuffer>& addresses);
    // Installed by the platform at start-up; null removes it.
    static void SetEtherAddressFunction(EtherAddressFunction function);

    GUniqueID();

    // 16 bytes.
    void GetBin(GBuffer& out) const;
    // The 16 bytes as 32 lower-case hexadecimal digits.
    void GetHex(GBuffer& out) const;

private:
    GBuffer mNode;
    uint16_t mClockSequence = 0;
};
