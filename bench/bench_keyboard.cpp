// Key events through the keyboard hook and the message hook on a lean simulated desktop (fixed
// buffers, no allocation of its own), with every heap allocation of the key path counted.
//   build/bench/bench_keyboard
#include "allocations.h"
#include "kesmir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace kesmir;

// A thread's queue in a fixed ring; the control's text is not kept (only the engine is timed).
class LeanPlatform : public Platform {
public:
    Msg queue[4096];
    int head = 0, tail = 0;
    unsigned char state[256] = {};
    const char* ini = "";

    Hwnd GetFocus() override { return 1; }
    int GetClassName(Hwnd, char* name, int size) override
    {
        std::strncpy(name, "Edit", static_cast<std::size_t>(size));
        return 4;
    }
    short GetKeyState(int key) override { return static_cast<short>(state[key] & 1); }
    void GetKeyboardState(unsigned char s[256]) override { std::memcpy(s, state, 256); }
    void SetKeyboardState(const unsigned char s[256]) override { std::memcpy(state, s, 256); }
    bool PostMessage(Hwnd w, unsigned m, std::uintptr_t wp, std::intptr_t lp) override
    {
        queue[tail] = {w, m, wp, lp};
        tail = (tail + 1) % 4096;
        return true;
    }
    void MessageBeep() override {}
    int GetClipboardText(char*, int) override { return -1; }
    int GetProfileString(const char*, const char* key, const char* fallback, char* out, int size, const char*) override
    {
        const char* value = key && std::strcmp(key, "VNIStyle") == 0 ? ini : fallback;
        std::strncpy(out, value, static_cast<std::size_t>(size - 1));
        out[size - 1] = 0;
        return static_cast<int>(std::strlen(out));
    }
    bool WriteProfileString(const char*, const char*, const char*, const char*) override { return true; }
    bool InstallHooks() override { return true; }
    void RemoveHooks() override {}

    // One key pressed and released, and every message it caused retrieved through the message hook.
    long press(int key)
    {
        long hooks = 2;
        GetKeyHook(0, static_cast<std::uintptr_t>(key), 1);
        GetKeyHook(0, static_cast<std::uintptr_t>(key), static_cast<std::intptr_t>(0xC0000001u));
        while (head != tail) {
            Msg m = queue[head];
            head = (head + 1) % 4096;
            GetMessageHook(0, 1, &m);
            ++hooks;
        }
        return hooks;
    }
};

void run(benchmark::State& state, const char* keys, const char* style)
{
    LeanPlatform platform;
    platform.ini = style;
    SetPlatform(&platform);
    ResetProcessState();
    const std::size_t n = std::strlen(keys);
    platform.press('A');  // the settings load at the first key, before measuring
    long hooks = 0;
    const long before = bench::allocations.load();
    for (auto _ : state) {
        for (std::size_t k = 0; k < n; ++k) {
            const char c = keys[k];
            hooks += platform.press(c >= 'a' && c <= 'z' ? c - 0x20 : c);
        }
    }
    const long allocated = bench::allocations.load() - before;
    state.counters["hook_calls_per_s"] = benchmark::Counter(static_cast<double>(hooks), benchmark::Counter::kIsRate);
    state.counters["ns_per_hook_call"] =
        benchmark::Counter(static_cast<double>(hooks), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocations"] = static_cast<double>(allocated);
    SetPlatform(nullptr);
}

const char* kTelex = "tieengs vieetj cos sasu thanh ddieeuj neen nguwowif hocj phair luyeenj nghe thaatj kyx ";
const char* kVni = "tie6ng1 vie65t co1 sa1u thanh d9ie65u ne6n ngu7o7i2 ho5c pha3i luye65n nghe tha65t ky4 ";

void Telex(benchmark::State& state) { run(state, kTelex, "0"); }
void Vni(benchmark::State& state) { run(state, kVni, "1"); }

}  // namespace

BENCHMARK(Telex);
BENCHMARK(Vni);
BENCHMARK_MAIN();
