// Cost of the data log: building a line with every channel, and one logged line as the
// master timer writes it (open for appending, write, close).
#include "chip/GeneralStuff.h"
#include "windows/DataLog.h"
#include "windows/GeneralStuff.h"
#include "windows/frmSave.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void FillReadings()
{
    gLogChannel.fill(true);
    gLogInterval = 250;
    gLogSampleCount = 123456;
    gInternalTemp = 25.25f;
    gExternalTemp = -40.5f;
    gKulexTemp = 77.45f;
    gVddVolts = 3.306f;
    gDacVolts = {0.5f, 1.25f, 2.5f, 4.09f};
    gAinVolts = {0.001f, 0.75f, 2.28f, 3.299f};
}

void BM_BuildLogLineAllChannels(benchmark::State& state)
{
    FillReadings();
    for (auto _ : state) {
        QString line = BuildLogLine();
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_BuildLogLineAllChannels);

void BM_LogOneLineOpenWriteClose(benchmark::State& state)
{
    FillReadings();
    QTemporaryDir dir;
    gLogFileName = dir.filePath(QStringLiteral("bench.csv"));
    // A data line goes only into the file its run began.
    if (!AppendToLogFile(gLogFileName, LogTitleBlock(), LogFileOpen::CreateIfMissing, nullptr,
                         &gLogFileIdentity)) {
        state.SkipWithError("log file not created");
        return;
    }
    gLogging = true;
    for (auto _ : state) {
        if (!WriteLogDataLine()) {
            state.SkipWithError("log line not written");
            break;
        }
        ++gLogSampleCount;
    }
    EndLogRun();
}
BENCHMARK(BM_LogOneLineOpenWriteClose);

} // namespace

BENCHMARK_MAIN();
