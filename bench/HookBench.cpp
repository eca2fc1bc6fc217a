// The hotkeys' cost per key event.

#include <benchmark/benchmark.h>

#include "core/hotkeys/ReplayHotkeys.h"

namespace clipwarden {
namespace {

void BM_HotkeysOtherKey(benchmark::State& state) {
    int actions = 0;
    ReplayHotkeys hotkeys([&] { ++actions; }, [&] { ++actions; });
    const KeyEvent event{Key::Other, true, false, false};
    for (auto _ : state) {
        hotkeys.OnKey(event);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(actions);
}
BENCHMARK(BM_HotkeysOtherKey);

// F6 pressed and released: the path up to the call of the (empty) action and back.
void BM_HotkeysF6PressAndRelease(benchmark::State& state) {
    int actions = 0;
    ReplayHotkeys hotkeys([&] { ++actions; }, [&] { ++actions; });
    const KeyEvent press{Key::F6, true, false, false};
    const KeyEvent release{Key::F6, false, false, false};
    for (auto _ : state) {
        hotkeys.OnKey(press);
        hotkeys.OnKey(release);
        benchmark::ClobberMemory();
    }
    if (actions == 0) {
        state.SkipWithError("F6 never acted");
    }
}
BENCHMARK(BM_HotkeysF6PressAndRelease);

} // namespace
} // namespace clipwarden
