// The hook procedure's cost per key event.

#include <benchmark/benchmark.h>

#include "hotkeys/KeyboardHook.h"

namespace clipwarden {
namespace {

void BM_HookOtherKey(benchmark::State& state) {
    int actions = 0;
    KeyboardHook hook([&] { ++actions; }, [&] { ++actions; });
    const CallNextHook next = [] { return std::intptr_t{0}; };
    KeyEvent event;
    event.vkCode = 'A';
    for (auto _ : state) {
        benchmark::DoNotOptimize(hook.KeyboardHookProc(event, next));
    }
    benchmark::DoNotOptimize(actions);
}
BENCHMARK(BM_HookOtherKey);

// F6 pressed and released: the path up to the call of the (empty) action and back.
void BM_HookF6PressAndRelease(benchmark::State& state) {
    int actions = 0;
    KeyboardHook hook([&] { ++actions; }, [&] { ++actions; });
    const CallNextHook next = [] { return std::intptr_t{0}; };
    KeyEvent press;
    press.vkCode = kVkF6;
    KeyEvent release = press;
    release.flags = kFlagUp;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hook.KeyboardHookProc(press, next));
        benchmark::DoNotOptimize(hook.KeyboardHookProc(release, next));
    }
    if (actions == 0) {
        state.SkipWithError("F6 never acted");
    }
}
BENCHMARK(BM_HookF6PressAndRelease);

} // namespace
} // namespace clipwarden
