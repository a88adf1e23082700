// What one 100 ms tick of the whole core costs on simulated backends.
#include <benchmark/benchmark.h>

#include "common/MessageCodes.h"
#include "sim/SimWorld.h"

namespace {

SimWorld::Options Quiet(const char* params) {
    SimWorld::Options options;
    options.params = params;
    return options;
}

void BM_TickIdle(benchmark::State& state) {
    SimWorld world(Quiet("Frequency=144000\r\n"));
    world.Tick(50);
    for (auto _ : state) {
        world.Tick();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TickIdle);

void BM_TickAlarm(benchmark::State& state) {
    SimWorld world(Quiet("Frequency=144000\r\n"));
    world.Window().StartReport(ReportMode::Alarm, false);
    for (auto _ : state) {
        world.Tick();
        if (world.Window().Mode() != ReportMode::Alarm) {
            world.Window().StartReport(ReportMode::Alarm, false);
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TickAlarm);

// Reporting every 10 seconds with a lossy network: the busiest steady state.
void BM_TickReportingLossy(benchmark::State& state) {
    SimWorld world(Quiet("Frequency=100\r\nReserveServer=127.0.0.2\r\n"));
    world.network.faults.lossRate = 0.3;
    for (auto _ : state) {
        world.Tick();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TickReportingLossy);

}  // namespace

BENCHMARK_MAIN();
