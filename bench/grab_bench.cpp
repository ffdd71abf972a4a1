// Screen grab and window listing on a private Xvfb with openbox and a dozen pattern windows,
// at 1920x1080 and at 3840x2160.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/qtxcb/xcb_connection.h"
#include "platform/qtxcb/xcb_screen_grabber.h"
#include "platform/qtxcb/xcb_window_list.h"
#include "support/test_pattern_run.h"
#include "support/x_session.h"

namespace {

std::vector<test_pattern::WindowSpec> patternWindows(int width, int height) {
    std::vector<test_pattern::WindowSpec> specs;
    for (int i = 0; i < 12; ++i) {
        specs.push_back({(i * width) / 16, (i * height) / 20, width / 3, height / 3,
                         "window" + std::to_string(i)});
    }
    return specs;
}

// The X server, window manager, Qt application and windows of one screen size. Google
// Benchmark 1.7 cannot run twice in a process, so the benchmarks of both sizes are
// registered together and each one switches to its size before its timed loop.
class Desktop {
public:
    static Desktop& use(int width, int height) {
        std::unique_ptr<Desktop>& desktop = current();
        if (!desktop || desktop->m_width != width || desktop->m_height != height) {
            desktop.reset();
            desktop.reset(new Desktop(width, height));
        }
        return *desktop;
    }
    static void stop() { current().reset(); }
    const std::shared_ptr<XcbConnection>& connection() const { return m_connection; }
    Rect screen() const { return {0, 0, double(m_width), double(m_height)}; }

private:
    static std::unique_ptr<Desktop>& current() {
        static std::unique_ptr<Desktop> desktop;
        return desktop;
    }

    Desktop(int width, int height)
        : m_width(width), m_height(height), m_session({width, height, true}) {
        if (!m_session.ok()) {
            std::fprintf(stderr, "no X server: %s\n", m_session.error().c_str());
            std::exit(1);
        }
        setenv("DISPLAY", m_session.display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "quillet_grab_bench";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QGuiApplication>(argc, argv);
        if (!m_pattern.start(m_session.display(), patternWindows(width, height))) {
            std::fprintf(stderr, "%s\n", m_pattern.error().c_str());
            std::exit(1);
        }
        m_connection = XcbConnection::open();
    }

    int m_width;
    int m_height;
    XSession m_session;
    std::unique_ptr<QGuiApplication> m_app;
    TestPatternRun m_pattern;
    std::shared_ptr<XcbConnection> m_connection;
};

void registerBenchmarks(int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    auto add = [&](const std::string& name, auto body, benchmark::TimeUnit unit) {
        benchmark::RegisterBenchmark((name + "/" + size).c_str(), [width, height,
                                                                   body](benchmark::State& state) {
            body(state, Desktop::use(width, height));
        })->Unit(unit);
    };

    // The segment is reused: what a second grab in the same process costs.
    add(
        "SharedMemoryGrab/repeated",
        [](benchmark::State& state, Desktop& desktop) {
            XcbScreenGrabber grabber(desktop.connection());
            for (auto _ : state) {
                Pixels image = grabber.grab(desktop.screen());
                benchmark::DoNotOptimize(image.constBits());
            }
        },
        benchmark::kMillisecond);

    // A new grabber and segment each time: what the one grab of a capture costs.
    add(
        "SharedMemoryGrab/first",
        [](benchmark::State& state, Desktop& desktop) {
            for (auto _ : state) {
                auto grabber = std::make_unique<XcbScreenGrabber>(desktop.connection());
                Pixels image = grabber->grab(desktop.screen());
                benchmark::DoNotOptimize(image.constBits());
                // Freeing the segment happens when the process ends, after the capture.
                state.PauseTiming();
                image = Pixels();
                grabber.reset();
                state.ResumeTiming();
            }
        },
        benchmark::kMillisecond);

    // Prepared during start-up work that takes longer than the preparation (paused here).
    add(
        "SharedMemoryGrab/prepared",
        [](benchmark::State& state, Desktop& desktop) {
            for (auto _ : state) {
                state.PauseTiming();
                auto grabber = std::make_unique<XcbScreenGrabber>(desktop.connection());
                grabber->prepare();
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                state.ResumeTiming();
                Pixels image = grabber->grab(desktop.screen());
                benchmark::DoNotOptimize(image.constBits());
                state.PauseTiming();
                image = Pixels();
                grabber.reset();
                state.ResumeTiming();
            }
        },
        benchmark::kMillisecond);

    // Prepared and grabbed at once: nothing overlaps the preparation.
    add(
        "SharedMemoryGrab/prepareThenGrab",
        [](benchmark::State& state, Desktop& desktop) {
            for (auto _ : state) {
                auto grabber = std::make_unique<XcbScreenGrabber>(desktop.connection());
                grabber->prepare();
                Pixels image = grabber->grab(desktop.screen());
                benchmark::DoNotOptimize(image.constBits());
                state.PauseTiming();
                image = Pixels();
                grabber.reset();
                state.ResumeTiming();
            }
        },
        benchmark::kMillisecond);

    add(
        "GetImageGrab",
        [](benchmark::State& state, Desktop& desktop) {
            XcbScreenGrabber grabber(desktop.connection());
            grabber.setSharedMemoryEnabled(false);
            for (auto _ : state) {
                Pixels image = grabber.grab(desktop.screen());
                benchmark::DoNotOptimize(image.constBits());
            }
        },
        benchmark::kMillisecond);

    add(
        "QScreenGrabWindow",
        [](benchmark::State& state, Desktop&) {
            for (auto _ : state) {
                QImage image = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
                benchmark::DoNotOptimize(image.constBits());
            }
        },
        benchmark::kMillisecond);

    // The opacity pass alone, over a buffer of the screen's size.
    add(
        "OpacityPass",
        [width, height](benchmark::State& state, Desktop&) {
            std::vector<uint32_t> pixels(std::size_t(width) * height, 0x123456u);
            for (auto _ : state) {
                makeOpaque(pixels.data(), pixels.size());
                benchmark::DoNotOptimize(pixels.data());
                benchmark::ClobberMemory();
            }
        },
        benchmark::kMillisecond);

    add(
        "WindowList",
        [](benchmark::State& state, Desktop& desktop) {
            XcbWindowList list(desktop.connection());
            for (auto _ : state) {
                auto windows = list.onScreenWindows();
                benchmark::DoNotOptimize(windows.data());
            }
        },
        benchmark::kMicrosecond);

    add(
        "ConnectionOpen",
        [](benchmark::State& state, Desktop&) {
            for (auto _ : state) {
                auto connection = XcbConnection::open();
                benchmark::DoNotOptimize(connection.get());
            }
        },
        benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerBenchmarks(1920, 1080);
    registerBenchmarks(3840, 2160);
    benchmark::RunSpecifiedBenchmarks();
    Desktop::stop();
    benchmark::Shutdown();
    return 0;
}
