// The job-notice parser on outside bytes (a notice comes from any process of the machine): no
// crash, and a notice that parses is a fixed point of writing and parsing again.
#include <cstdint>

#include "printerprocessor/jobs/GPPJobInfo.h"
#include "support/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 0, 1 << 14))
        return 0;
    const GPPJobInfo first = GPPJobInfo::FromUTF8(GBuffer(data, static_cast<int>(size)));
    // Line ends inside values settle after one write.
    const GBuffer once = first.ToUTF8();
    const GPPJobInfo second = GPPJobInfo::FromUTF8(once);
    const GBuffer twice = second.ToUTF8();
    const GPPJobInfo third = GPPJobInfo::FromUTF8(twice);
    Check(third.ToUTF8() == twice);
    Check(third.IsValid() == second.IsValid());
    Check(third.GetCopyCount() == second.GetCopyCount());
    return 0;
}
