// One register read through the simulated board's request entry point, as the program's
// measurement cycle makes two of them every 10 ms.
#include "SimControl.h"
#include "Vantreo.h"

#include <benchmark/benchmark.h>

#include <filesystem>

static void BM_SimRegisterRead(benchmark::State& state)
{
    SimReset();
    const auto firmware = std::filesystem::path(__FILE__).parent_path() / "../resources/ZandrelFW.Hex";
    if (LoadFirmWare(firmware.string().c_str()) != SimOk) {
        state.SkipWithError("firmware did not load");
        return;
    }
    uint8_t monitor = 0;
    VendorIORequest(0xDE, 0x148, 0x0118, 0, 0, &monitor); // conversions running
    uint8_t buffer[1] = {};
    int reg = 0;
    for (auto _ : state) {
        const int16_t status = VendorIORequest(0xDE, 0x148, 0x03 + (reg++ & 7), 1, 1, buffer);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(buffer[0]);
    }
}
BENCHMARK(BM_SimRegisterRead);

// Our own main: the benchmark folder links the benchmark library without its main.
BENCHMARK_MAIN();
