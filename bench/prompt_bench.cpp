// Drawing the wave prompt: one element 1600 pixels wide over 32 one-hour recordings (1024
// overview points each, a pilot tone strip each, started a minute apart), painted in full per
// frame; frames per second against the goal of 120. Beside it, the window layer's cost of the
// same number of line segments drawn one LineTo at a time and as one Polyline.
#include "KelFrame/kelfe_waveprompt.h"
#include "KelFrame/kelframe.h"
#include "base/littleendian.h"
#include "base/riff.h"
#include "base/tempname.h"
#include "codec/waveformat.h"
#include "ui/application.h"
#include "ui/window.h"
#include "zemWaveLib/wave.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRecordings = 32;
constexpr int kPoints = 1024;
constexpr int kWidth = 1600;
constexpr int kHeight = 100;
constexpr uint32_t kRate = 8000;
constexpr uint32_t kHourBytes = 3600 * kRate * 2;

zem::CKelFE_WavePrompt* g_prompt = nullptr;

// A one-hour 16-bit mono recording with an overview and a pilot tone from 60 s to 75 s; the
// sample data is a hole in a sparse file.
bool WriteHour(const std::string& path, int index)
{
    std::string overview;
    zem::AppendLe16(overview, 1);
    zem::AppendLe16(overview, kPoints);
    for (int i = 0; i < kPoints; ++i)
        zem::AppendLe16(overview, uint16_t(int16_t(std::lround(20000 * std::sin(i * 0.05 + index)))));
    std::string metadata =
        "<ksti><uicf><tonedetector><tone f=\"2800\"><position begin=\"60000\" end=\"75000\"/></tone>"
        "</tonedetector></uicf></ksti>";
    metadata.resize(metadata.size() + 1 + metadata.size() % 2, '\0');
    zem::RiffWriter riff(zem::RiffLength::Standard);
    riff.Chunk("fmt ", zem::MakePcmFormat(kRate, 1, 16).ToBytes().data(), 16);
    riff.Chunk("zemp", overview.data(), uint32_t(overview.size()));
    riff.Chunk("ksti", metadata.data(), uint32_t(metadata.size()));
    riff.ChunkHead("data", kHourBytes);
    const std::string head = riff.Bytes(kHourBytes);
    {
        std::ofstream out(path, std::ios::binary);
        out << head;
        if (!out)
            return false;
    }
    std::error_code error;
    std::filesystem::resize_file(path, head.size() + kHourBytes, error);
    return !error;
}

void BM_PaintPrompt(benchmark::State& state)
{
    const zem::HWND hwnd = g_prompt->GetSafeHwnd();
    for (auto _ : state) {
        zem::InvalidateRect(hwnd, nullptr, true);
        zem::UpdateWindow(hwnd);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintPrompt)->Unit(benchmark::kMillisecond)->UseRealTime();

// The segments of one frame drawn into a memory bitmap: 0 one LineTo each, 1 one Polyline.
void BM_Segments(benchmark::State& state)
{
    const zem::HDC dc = zem::CreateCompatibleDC(nullptr);
    const zem::HBITMAP bitmap = zem::CreateCompatibleBitmap(dc, kWidth, kHeight);
    const zem::HGDIOBJ oldBitmap = zem::SelectObject(dc, bitmap);
    const zem::HPEN pen = zem::CreatePen(zem::PS_SOLID, 1, zem::RGB(0, 255, 0));
    const zem::HGDIOBJ oldPen = zem::SelectObject(dc, pen);
    std::vector<zem::POINT> points(kRecordings * kPoints);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = zem::POINT{int32_t(i * kWidth / points.size()), int32_t(50 + 40 * std::sin(i * 0.05))};
    for (auto _ : state) {
        if (state.range(0) == 1) {
            zem::Polyline(dc, points.data(), int(points.size()));
            continue;
        }
        zem::MoveToEx(dc, points[0].x, points[0].y);
        for (const zem::POINT& p : points)
            zem::LineTo(dc, p.x, p.y);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    zem::SelectObject(dc, oldPen);
    zem::SelectObject(dc, oldBitmap);
    zem::DeleteObject(pen);
    zem::DeleteObject(bitmap);
    zem::DeleteDC(dc);
}
BENCHMARK(BM_Segments)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

SysTime Minute(int minute)
{
    SysTime t;
    t.year = 2026, t.month = 12, t.day = 9, t.hour = 8, t.minute = uint16_t(minute), t.second = 0,
    t.milliseconds = 0;
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!zem::InitApplication())
        return 1;
    const std::string folder = zem::CreateTempFolder("zem_prompt_bench");
    std::vector<std::unique_ptr<_Wave>> waves;
    int result = 0;
    for (int i = 0; i < kRecordings && result == 0; ++i) {
        const std::string path = folder + "/hour" + std::to_string(i) + ".wav";
        waves.push_back(std::make_unique<_Wave>());
        if (!WriteHour(path, i) || !waves.back()->SetFileName(path)) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), waves.back()->GetLastError().c_str());
            result = 1;
        }
    }
    if (result == 0) {
        const zem::HWND top = zem::CreateWindow({}, 0, 0, 0, kWidth + 20, kHeight + 20);
        zem::ShowWindow(top, zem::SW_SHOW);
        auto* frame = new zem::CKelFrame;  // deletes itself with its window
        frame->Create(top, zem::RECT{0, 0, kWidth, kHeight});
        frame->SetGridSize(1, 1);
        frame->SetColumnWidth(0, -100);
        frame->SetRowHeight(0, -100);
        g_prompt = new zem::CKelFE_WavePrompt(frame);
        frame->AddElement(g_prompt);
        g_prompt->SetCell("C00R00");
        for (int i = 0; i < kRecordings; ++i)
            g_prompt->AddItem(waves[size_t(i)].get(), Minute(i));
        g_prompt->SetLabel("32 recordings");
        frame->ShowLayout();
        zem::PumpMessagesUntil([] { return false; }, 50);
        benchmark::RunSpecifiedBenchmarks();
        zem::DestroyWindow(top);
    }
    benchmark::Shutdown();
    zem::ExitApplication();
    std::filesystem::remove_all(folder);
    return result;
}
