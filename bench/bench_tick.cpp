// One tick of the master timer against the simulated board, in-process.
#include "SimControl.h"
#include "Vantreo.h"
#include "board/VantreoLibrary.h"
#include "platform/Runtime.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {
frmMain* BringUp()
{
    // A fast clock for the bring-up's waits; the ticks then run on the wall clock.
    double fake = 43200.0;
    SetClockSource([&fake] { fake += 0.01; return static_cast<float>(fake); });
    SetAppPath(QStringLiteral(ZANDREL_PROGRAM_DIR));
    SetVantreoFunctions(&LoadFirmWare, &VendorIORequest);
    SimReset();
    gMainForm = new frmMain();
    gMainForm->Load();
    gMainForm->tmrMaster->stop();
    SetClockSource({});
    return gMainForm;
}

void BM_MasterTimerTick(benchmark::State& state)
{
    static frmMain* main = BringUp();
    for (auto _ : state)
        main->tmrMaster_Timer();
}
BENCHMARK(BM_MasterTimerTick);

// The rate the 10 ms timer really achieves with the event loop running.
void BM_TickRate(benchmark::State& state)
{
    static frmMain* main = BringUp();
    for (auto _ : state) {
        int ticks = 0;
        auto counter = QObject::connect(main->tmrMaster, &QTimer::timeout, [&ticks] { ++ticks; });
        QElapsedTimer elapsed;
        elapsed.start();
        main->tmrMaster->start();
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        main->tmrMaster->stop();
        QObject::disconnect(counter);
        state.counters["ticks_per_s"] = ticks * 1000.0 / elapsed.elapsed();
    }
}
BENCHMARK(BM_TickRate)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
