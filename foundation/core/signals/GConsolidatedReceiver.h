#pragma once
// A receiver told once per GSignalBase::SendDelayedSignals that one or more of the signals it
// joined (GSignalBase::SubscribeConsolidated) were sent since the last pass; it gets no message.
// Its destructor takes it out of every signal and out of a pass that is running, so it may be
// destroyed while subscribed, also from inside a notification. Between threads, a derived class
// must first unsubscribe itself: its own part is gone before this destructor runs.
class GConsolidatedReceiver {
public:
    GConsolidatedReceiver() = default;
    GConsolidatedReceiver(const GConsolidatedReceiver&) = delete;
    GConsolidatedReceiver& operator=(const GConsolidatedReceiver&) = delete;
    virtual ~GConsolidatedReceiver();

    virtual void ReceiveConsolidated() = 0;
};
