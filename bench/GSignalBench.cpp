// Send of one message to 1, 10 and 100 receivers that each add the number and the message to a
// sum: GSignal<int> with GReceiver<int> receivers, boost.signals2 (its default mutex) with
// lambda slots, and a plain std::vector of std::function without any lock.
// Our signal is only ever sent on one thread, so its mutex is biased to it: a lock is one plain
// store and a read, an unlock one plain store, however many threads the process has.
#include <benchmark/benchmark.h>

#include <boost/signals2.hpp>

#include <functional>
#include <memory>
#include <vector>

#include "BenchRatio.h"
#include "core/signals/GReceiver.h"
#include "core/signals/GSignal.h"
#include "core/signals/GSignalBase.h"

namespace {

constexpr int kSignal = 9000;

struct Payload {
    int value;
    int spare;
};

long gSum = 0;

class SumReceiver : public GReceiver<Payload> {
public:
    void Receive(int id, const Payload& message) override { gSum += id + message.value; }
};

void SendOurs(benchmark::State& state) {
    GSignalBase::Initialize();
    {
        std::vector<std::unique_ptr<SumReceiver>> receivers;
        for (int i = 0; i < state.range(0); ++i) {
            receivers.push_back(std::make_unique<SumReceiver>());
            receivers.back()->Subscribe(kSignal);
        }
        GSignal<Payload>* signal = GSignal<Payload>::GetSignal(kSignal);
        Payload message{0, 0};
        for (auto _ : state) {
            signal->Send(message);
            ++message.value;
        }
    }
    benchmark::DoNotOptimize(gSum);
    GSignalBase::Finalize();
}

void SendBoost(benchmark::State& state) {
    boost::signals2::signal<void(int, const Payload&)> signal;
    for (int i = 0; i < state.range(0); ++i)
        signal.connect([](int id, const Payload& message) { gSum += id + message.value; });
    Payload message{0, 0};
    for (auto _ : state) {
        signal(kSignal, message);
        ++message.value;
    }
    benchmark::DoNotOptimize(gSum);
}

void SendVector(benchmark::State& state) {
    std::vector<std::function<void(int, const Payload&)>> receivers;
    for (int i = 0; i < state.range(0); ++i)
        receivers.emplace_back([](int id, const Payload& message) { gSum += id + message.value; });
    Payload message{0, 0};
    for (auto _ : state) {
        for (const auto& receiver : receivers)
            receiver(kSignal, message);
        ++message.value;
    }
    benchmark::DoNotOptimize(gSum);
}

BENCHMARK(SendOurs)->Name(TROVEL_BENCH_NAME("Send", "ours"))->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(SendBoost)->Name(TROVEL_BENCH_NAME("Send", "boost_signals2"))->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(SendVector)->Name(TROVEL_BENCH_NAME("Send", "vector_function"))->Arg(1)->Arg(10)->Arg(100);

} // namespace
