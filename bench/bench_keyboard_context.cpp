// Key events through the platform that hosts the engine in fcitx5 (key in, engine, its messages
// played on the word and the program's text, text out to a sink that keeps nothing), with every
// heap allocation of that path counted: the cost of our code on top of fcitx5's own.
//   build/bench/bench_keyboard_context
#include "allocations.h"
#include "contextplatform.h"
#include "keymap.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using namespace kesmir;

class NullSink : public TextSink {
public:
    void deleteBefore(int count) override { deleted += count; }
    void commit(const char*, int size) override { committed += size; }
    void showPreedit(const char*, int) override { ++preedits; }
    bool textBeforeCursor(const char**, int*) override { return false; }
    bool textAfterCursor(const char**, int*) override { return false; }
    void deleteAfter(int count) override { deleted += count; }
    void moveLeft(int) override {}
    void modeChanged() override {}
    long deleted = 0, committed = 0, preedits = 0;
};

void run(benchmark::State& state, const char* text)
{
    const std::string folder = std::filesystem::temp_directory_path() / "kesmir-bench-context";
    std::filesystem::create_directories(folder);
    ContextPlatform platform(folder);
    ContextState context;
    NullSink sink;
    std::vector<EngineKey> down, up;
    static const int letters[26] = {38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58, 57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52};
    for (const char* c = text; *c; ++c) {
        const fcitx::Key key = *c == ' ' ? fcitx::Key(FcitxKey_space, fcitx::KeyStates(), 65)
                                         : fcitx::Key(static_cast<fcitx::KeySym>(FcitxKey_a + (*c - 'a')), fcitx::KeyStates(),
                                                      letters[*c - 'a']);
        down.push_back(EngineKeyOf(key, false));
        up.push_back(EngineKeyOf(key, true));
    }
    platform.Activate(context, sink, true);  // the settings load here, before measuring
    long keys = 0;
    const long before = bench::allocations.load();
    for (auto _ : state) {
        for (std::size_t k = 0; k < down.size(); ++k) {
            platform.Key(context, sink, down[k]);
            platform.Key(context, sink, up[k]);
        }
        keys += static_cast<long>(down.size());
    }
    const long allocated = bench::allocations.load() - before;
    state.counters["ns_per_key"] = benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocations_per_key"] = static_cast<double>(allocated) / static_cast<double>(keys);
    benchmark::DoNotOptimize(sink.committed);
    std::filesystem::remove_all(folder);
}

void Telex(benchmark::State& state)
{
    run(state, "tieengs vieetj cos sasu thanh ddieeuj neen nguwowif hocj phair luyeenj nghe thaatj kyx ");
}

}  // namespace

BENCHMARK(Telex);
BENCHMARK_MAIN();
