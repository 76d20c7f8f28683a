#pragma once
// Naming convention for paired benchmarks: "<Case>@<Impl>[/args]".
// The implementation named "ours" is compared with every other implementation of the same
// case and arguments; the summary prints our time over the peer's time (below 1 is faster).
#define TROVEL_BENCH_NAME(caseName, impl) caseName "@" impl
