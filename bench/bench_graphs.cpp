// Graphs window: the master timer's refresh with full histories in all twelve pens, and
// one paint of a chart at full history, with the whole chart on screen or part of it
// covered by another window.
//
//   build/bench/bench_graphs                 run the benchmarks
//   build/bench/bench_graphs --grab=FILE [N] save a picture of the window with a full history,
//                                           chart N (0-3) shown
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/Runtime.h"
#include "platform/StripChart.h"
#include "windows/GeneralStuff.h"
#include "windows/frmGraphing.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>

namespace {
double gNow = 14 * 3600.0 + 5 * 60.0;

// Readings that move like a live board: slow drifts with a little noise.
void SetReadings(int i)
{
    const double t = i * 0.1;
    const double noise = std::sin(i * 12.9898) * 0.5;
    gInternalTemp = static_cast<float>(27.5 + 1.5 * std::sin(t / 40) + 0.05 * noise);
    gExternalTemp = static_cast<float>(31.0 + 4.0 * std::sin(t / 90 + 1) + 0.2 * noise);
    gKulexTemp = static_cast<float>(25.0 + 0.8 * std::sin(t / 60 + 2) + 0.3 * noise);
    gVddVolts = static_cast<float>(3.3 + 0.02 * noise);
    gDacVolts = {static_cast<float>(1.25 + 0.75 * std::sin(t / 30)), static_cast<float>(2.5),
                 static_cast<float>(t / 20 - 4 * std::floor(t / 80)), static_cast<float>(0.6 + 0.01 * noise)};
    gAinVolts = {static_cast<float>(1.0 + 0.5 * std::sin(t / 25)), static_cast<float>(2.2 + 0.3 * std::cos(t / 35)),
                 static_cast<float>(0.75 + 0.008 * std::sin(t / 60 + 2) + 0.003 * noise),
                 static_cast<float>(1.8 + 0.25 * std::sin(t / 15) + 0.02 * noise)};
}

frmGraphing* OpenWithFullHistory()
{
    static frmGraphing* form = nullptr;
    if (form)
        return form;
    SetClockSource([] { return static_cast<float>(gNow); });
    gGraphEnabled = true;
    gAin12Mode = Ain12Inputs;
    gAin3Enabled = true;
    form = LoadForm<frmGraphing>();
    // Every pen full, at ten samples a second as the master timer gives them.
    for (int i = 0; i < StripChart::kHistoryCapacity + 10; ++i) {
        SetReadings(i);
        UpdateGraphingForm();
        gNow += 0.1;
    }
    return form;
}

void BM_UpdateGraphingForm(benchmark::State& state)
{
    OpenWithFullHistory();
    int i = 0;
    for (auto _ : state) {
        SetReadings(i++);
        UpdateGraphingForm();
        gNow += 0.1;
    }
}
BENCHMARK(BM_UpdateGraphingForm);

// The region a paint covers: the whole chart, or (covered) the chart less a window that
// lies over its lower right part, as a dialog over the graphs window leaves it.
QRegion PaintRegion(const StripChart* chart, bool covered)
{
    const QRegion whole(chart->rect());
    if (!covered)
        return whole;
    return whole - QRect(chart->width() / 3, chart->height() / 4, chart->width(), chart->height() / 2);
}

// One paint of the chart as the screen asks for it after a new sample on every pen
// (arguments: time span in seconds, covered or not). The sample is not timed.
void PaintAfterSample(benchmark::State& state, StripChart* chart)
{
    chart->SetTimeSpan(static_cast<double>(state.range(0)));
    const QRegion region = PaintRegion(chart, state.range(1) != 0);
    QPixmap screen(chart->size()); // in the format of the screen's own buffer
    int i = StripChart::kHistoryCapacity + 10;
    for (auto _ : state) {
        state.PauseTiming();
        SetReadings(i++);
        UpdateGraphingForm();
        gNow += 0.1;
        state.ResumeTiming();
        chart->render(&screen, QPoint(), region);
        benchmark::ClobberMemory();
    }
}

void BM_PaintVisibleChart(benchmark::State& state)
{
    frmGraphing* form = OpenWithFullHistory();
    PaintAfterSample(state, form->Chart(gGraphSelect));
}
BENCHMARK(BM_PaintVisibleChart)
    ->ArgNames({"span", "covered"})
    ->ArgsProduct({{60, static_cast<int64_t>(StripChart::kMaxTimeSpan)}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_PaintAinChart(benchmark::State& state)
{
    frmGraphing* form = OpenWithFullHistory();
    PaintAfterSample(state, form->stpAin);
}
BENCHMARK(BM_PaintAinChart)
    ->ArgNames({"span", "covered"})
    ->ArgsProduct({{static_cast<int64_t>(StripChart::kMaxTimeSpan)}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A paint with nothing new, as when a window moves over the chart: covered or not.
void BM_RepaintUnchangedChart(benchmark::State& state)
{
    frmGraphing* form = OpenWithFullHistory();
    StripChart* chart = form->Chart(gGraphSelect);
    chart->SetTimeSpan(StripChart::kMaxTimeSpan);
    const QRegion region = PaintRegion(chart, state.range(0) != 0);
    QPixmap screen(chart->size());
    for (auto _ : state) {
        chart->render(&screen, QPoint(), region);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintUnchangedChart)->ArgName("covered")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--grab=", 7) == 0) {
            frmGraphing* form = OpenWithFullHistory();
            if (i + 1 < argc)
                ShowGraphChart(static_cast<int16_t>(std::atoi(argv[i + 1])));
            form->Chart(gGraphSelect)->SetTimeSpan(180);
            form->show();
            QApplication::processEvents();
            return form->grab().save(QString::fromLocal8Bit(argv[i] + 7)) ? 0 : 1;
        }
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UnloadAllForms();
    FlushDeletedForms();
    return 0;
}
