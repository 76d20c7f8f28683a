#pragma once
// The foundation's own signals, all carrying GEmptyMessage. The host's event loop is to call
// DevoteTimeToIdlers when it is idle and DevoteTimeToRepeaters periodically; nothing in the
// foundation calls either.
class GBasicSignals {
public:
    static constexpr int kIdleTime = 100;
    static constexpr int kRepeaterTime = 101;
    static constexpr int kLowMemory = 102;
    static constexpr int kPreferencesChanged = 105;

    // Sends signal 100, then delivers the delayed messages and the consolidated notifications
    // (GSignalBase::SendDelayedSignals): idle time is when deferred work runs.
    static void DevoteTimeToIdlers();
    static void DevoteTimeToRepeaters();
    static void SendPreferencesChanged();
    // The allocator's low-memory notifier (installed by GSignalBase::Initialize): sends signal 102
    // to the receivers it has, without making the signal. Receivers free what they can and call
    // GAllocator::SetMoreMemoryFree(true); their exceptions are dropped, since the allocator
    // judges by that flag alone. Skipped when the allocation that failed was made while this
    // thread was changing the signals' tables.
    static void SendLowMemory();
};
