// Time per key through fcitx5's whole path (a key event into an input context, out as commits
// and preedit), for the keyboard's input method against fcitx5's own plain keyboard-us, in one
// run of the real daemon. An addon of fcitx5: loaded beside ours, it types, prints and ends fcitx5.
//   bench/bench_fcitx5.sh BUILD_DIR      (a release build)
#include <fcitx-utils/event.h>
#include <fcitx-utils/key.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addoninstance.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/instance.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// A program that takes what it is sent and keeps nothing but counts.
class BenchContext : public fcitx::InputContext {
public:
    explicit BenchContext(fcitx::Instance* instance) : InputContext(instance->inputContextManager(), "bench")
    {
        created();
        setCapabilityFlags(fcitx::CapabilityFlags{fcitx::CapabilityFlag::Preedit, fcitx::CapabilityFlag::SurroundingText});
    }
    ~BenchContext() override { destroy(); }
    const char* frontend() const override { return "kesmirbench"; }
    long commits = 0, preedits = 0;

protected:
    void commitStringImpl(const std::string&) override { ++commits; }
    void deleteSurroundingTextImpl(int, unsigned int) override {}
    void forwardKeyImpl(const fcitx::ForwardKeyEvent&) override {}
    void updatePreeditImpl() override { ++preedits; }
};

std::vector<fcitx::Key> keysOf(const char* text)
{
    static const int letters[26] = {38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58, 57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52};
    std::vector<fcitx::Key> keys;
    for (const char* c = text; *c; ++c) {
        if (*c == ' ') keys.emplace_back(FcitxKey_space, fcitx::KeyStates(), 65);
        else keys.emplace_back(static_cast<fcitx::KeySym>(FcitxKey_a + (*c - 'a')), fcitx::KeyStates(), letters[*c - 'a']);
    }
    return keys;
}

// Nanoseconds per key (press and release) for one pass over the keys.
double typeOnce(BenchContext& ic, const std::vector<fcitx::Key>& keys)
{
    const auto start = std::chrono::steady_clock::now();
    for (const fcitx::Key& key : keys) {
        fcitx::KeyEvent down(&ic, key, false);
        ic.keyEvent(down);
        fcitx::KeyEvent up(&ic, key, true);
        ic.keyEvent(up);
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / static_cast<double>(keys.size());
}

class KesmirBench : public fcitx::AddonInstance {
public:
    explicit KesmirBench(fcitx::Instance* instance) : instance_(instance)
    {
        start_ = instance->eventLoop().addTimeEvent(CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC) + 200000, 0,
                                                    [this](fcitx::EventSourceTime*, uint64_t) {
                                                        run();
                                                        instance_->exit();
                                                        return true;
                                                    });
    }

private:
    void run()
    {
        fcitx::InputMethodGroup group = instance_->inputMethodManager().currentGroup();
        group.inputMethodList().clear();
        group.inputMethodList().emplace_back("keyboard-us");
        group.inputMethodList().emplace_back("kesmir");
        instance_->inputMethodManager().setGroup(std::move(group));
        const std::vector<fcitx::Key> keys =
            keysOf("tieengs vieetj cos sasu thanh ddieeuj neen nguwowif hocj phair luyeenj nghe thaatj kyx ");
        BenchContext plain(instance_), ours(instance_);
        const char* names[2] = {"keyboard-us", "kesmir"};
        BenchContext* contexts[2] = {&plain, &ours};
        for (int k = 0; k < 2; ++k) {
            contexts[k]->focusIn();
            instance_->setCurrentInputMethod(contexts[k], names[k], true);
            if (instance_->inputMethod(contexts[k]) != names[k]) {
                std::printf("kesmir-bench: the input method %s is not there\n", names[k]);
                return;
            }
        }
        // Rounds alternate between the two, so that both see the same state of the machine.
        std::vector<double> times[2];
        constexpr int kRounds = 400;
        for (int round = 0; round < kRounds + 20; ++round)
            for (int k = 0; k < 2; ++k) {
                contexts[k]->focusIn();
                const double ns = typeOnce(*contexts[k], keys);
                if (round >= 20) times[k].push_back(ns);
            }
        double median[2];
        for (int k = 0; k < 2; ++k) {
            std::sort(times[k].begin(), times[k].end());
            median[k] = times[k][times[k].size() / 2];
            std::printf("kesmir-bench: %-12s %8.0f ns per key (median of %d rounds of %zu keys; fastest round %.0f)\n", names[k],
                        median[k], kRounds, keys.size(), times[k].front());
        }
        std::printf("kesmir-bench: kesmir / keyboard-us = %.2f; kesmir committed %ld times for %d words\n", median[1] / median[0],
                    ours.commits, 14 * (kRounds + 20));
    }

    fcitx::Instance* instance_;
    std::unique_ptr<fcitx::EventSourceTime> start_;
};

class KesmirBenchFactory : public fcitx::AddonFactory {
public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override { return new KesmirBench(manager->instance()); }
};

}  // namespace

FCITX_ADDON_FACTORY(KesmirBenchFactory)
