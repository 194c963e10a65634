// The fcitx5 input method "kesmir": the keyboard's engine with one state per input context, its
// text going to the program as preedit and commits (or as commits alone in direct mode), its
// settings and AutoText read from $XDG_CONFIG_HOME/kesmir/ and read again when they change.
#include "contextplatform.h"
#include "keymap.h"
#include "traynotice.h"

#include <fcitx-utils/event.h>
#include <fcitx-utils/unixfd.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addoninstance.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputcontextproperty.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>
#include <fcitx/text.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/inotify.h>
#include <unistd.h>

namespace kesmir {

namespace {

struct KesmirContext : fcitx::InputContextProperty {
    ContextState state;
};

// Whether the program shows the preedit in its own text. One that does not (a terminal through
// XIM) gets it in fcitx5's panel by the caret, and nobody but us commits it there.
bool ProgramShowsPreedit(const fcitx::InputContext& ic)
{
    return ic.capabilityFlags().test(fcitx::CapabilityFlag::Preedit) && ic.isPreeditEnabled();
}

// The program's side of one input context, as the platform's sink.
class ContextSink : public TextSink {
public:
    // The text and the preedit are built in the engine's own objects, reused from key to key.
    ContextSink(fcitx::InputContext& ic, ContextState& state, std::string& buffer, fcitx::Text& preedit)
        : ic_(ic), state_(state), buffer_(buffer), preedit_(preedit)
    {
    }

    bool surrounding() const
    {
        return ic_.capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText) && ic_.surroundingText().isValid();
    }
    void deleteBefore(int count) override
    {
        if (surrounding()) {
            ic_.deleteSurroundingText(-count, static_cast<unsigned>(count));
            return;
        }
        // A program that does not tell its text gets Backspaces, before whatever follows them.
        forward(FcitxKey_BackSpace, count);
    }
    void commit(const char* utf8, int size) override
    {
        buffer_.assign(utf8, static_cast<std::size_t>(size));
        ic_.commitString(buffer_);
    }
    void showPreedit(const char* utf8, int size) override
    {
        preedit_.clear();
        if (size > 0) {
            preedit_.append(std::string(utf8, static_cast<std::size_t>(size)), fcitx::TextFormatFlag::Underline);
            preedit_.setCursor(size);
        }
        if (ProgramShowsPreedit(ic_)) {
            ic_.inputPanel().setClientPreedit(preedit_);
            ic_.updatePreedit();
        } else {
            ic_.inputPanel().setPreedit(preedit_);
            ic_.updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
        }
    }
    bool textBeforeCursor(const char** utf8, int* size) override
    {
        if (!surrounding()) return false;
        *utf8 = ic_.surroundingText().text().data();
        *size = static_cast<int>(cursorByte());
        return true;
    }
    bool textAfterCursor(const char** utf8, int* size) override
    {
        if (!surrounding()) return false;
        const std::string& text = ic_.surroundingText().text();
        const std::size_t at = cursorByte();
        *utf8 = text.data() + at;
        *size = static_cast<int>(text.size() - at);
        return true;
    }
    void deleteAfter(int count) override
    {
        if (surrounding()) ic_.deleteSurroundingText(0, static_cast<unsigned>(count));
    }
    void moveLeft(int count) override { forward(FcitxKey_Left, count); }
    void modeChanged() override { tray::Notify(tray::kModeChanged); }

private:
    // Keys pressed and released for the program, counted: it may send them back (XIM).
    void forward(fcitx::KeySym key, int count)
    {
        for (int k = 0; k < count; ++k) {
            ic_.forwardKey(fcitx::Key(key), false);
            ic_.forwardKey(fcitx::Key(key), true);
        }
        state_.forwarded += count;
    }
    // Where the cursor is in the surrounding text, in bytes.
    std::size_t cursorByte() const
    {
        const std::string& text = ic_.surroundingText().text();
        const unsigned cursor = ic_.surroundingText().cursor();
        std::size_t at = 0;
        for (unsigned chars = 0; at < text.size() && chars < cursor; ++chars) {
            ++at;
            while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
        }
        return at;
    }

    fcitx::InputContext& ic_;
    ContextState& state_;
    std::string& buffer_;
    fcitx::Text& preedit_;
};

class KesmirEngine : public fcitx::InputMethodEngineV2 {
public:
    explicit KesmirEngine(fcitx::Instance* instance)
        : instance_(instance), platform_(IniFiles::DefaultFolder()),
          factory_([](fcitx::InputContext&) { return new KesmirContext; })
    {
        instance_->inputContextManager().registerProperty("kesmirState", &factory_);
        readLinuxSettings();
        watchSettings();
        // A program that moves its caret (a click) without resetting the input context still
        // tells its text again.
        textWatch_ = instance_->watchEvent(fcitx::EventType::InputContextSurroundingTextUpdated, fcitx::EventWatcherPhase::Default,
                                           [this](fcitx::Event& event) {
                                               fcitx::InputContext& ic = *static_cast<fcitx::InputContextEvent&>(event).inputContext();
                                               if (!ic.hasFocus() || instance_->inputMethodEngine(&ic) != this) return;
                                               ContextState& state = stateOf(ic);
                                               ContextSink sink(ic, state, buffer_, preedit_);
                                               platform_.TextReported(state, sink);
                                           });
    }

    void keyEvent(const fcitx::InputMethodEntry&, fcitx::KeyEvent& event) override
    {
        fcitx::InputContext& ic = *event.inputContext();
        ContextState& state = stateOf(ic);
        ContextSink sink(ic, state, buffer_, preedit_);
        // A key we forwarded, sent back by the program (XIM does so with some of them, with no
        // time of its own): it is the program's to apply, not a key the user typed.
        const fcitx::KeySym sym = event.rawKey().sym();
        if (event.time() == 0 && state.forwarded > 0 && (sym == FcitxKey_BackSpace || sym == FcitxKey_Left)) {
            if (!event.isRelease()) --state.forwarded;
            return;
        }
        if (ic.capabilityFlags().test(fcitx::CapabilityFlag::Password)) {
            platform_.EndWord(state, sink, true);
            return;
        }
        if (!platform_.Key(state, sink, EngineKeyOf(event.rawKey(), event.isRelease())) && !event.isRelease())
            event.filterAndAccept();
    }

    void activate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) override
    {
        fcitx::InputContext& ic = *event.inputContext();
        ContextState& state = stateOf(ic);
        ContextSink sink(ic, state, buffer_, preedit_);
        readLinuxSettings();
        state.direct = directFor(ic);
        state.deferCommits = !ic.capabilityFlags().test(fcitx::CapabilityFlag::KeyEventOrderFix);
        state.forwarded = 0;
        platform_.Activate(state, sink, true);
    }

    // Leaving for another input method commits the word. Losing the focus leaves the preedit
    // shown to whoever commits it where it is: the program itself when it says it does (Qt), fcitx5
    // for one that does not (GTK); hiding it first would make Qt drop it. A preedit in fcitx5's
    // panel is ours to commit. Either way the next key starts a new word.
    void deactivate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) override
    {
        fcitx::InputContext& ic = *event.inputContext();
        ContextState& state = stateOf(ic);
        ContextSink sink(ic, state, buffer_, preedit_);
        if (event.type() == fcitx::EventType::InputContextSwitchInputMethod || !ProgramShowsPreedit(ic))
            platform_.EndWord(state, sink, true);
        else
            ContextPlatform::LeaveWord(state);
        platform_.Forget(state, sink);
        platform_.Activate(state, sink, false);
    }

    // A reset is no click: GTK resets on every caret move and Backspace, its own or ours; a caret
    // the program really moved shows in the text it reports next, and a word shown there is put
    // back where it was (TextReported). So a program that tells its text and leaves the preedit to
    // us keeps the word shown until then. Otherwise the word being typed ends here: committed,
    // unless the program commits the preedit itself (Qt).
    void reset(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) override
    {
        fcitx::InputContext& ic = *event.inputContext();
        ContextState& state = stateOf(ic);
        ContextSink sink(ic, state, buffer_, preedit_);
        const bool selfCommits = ic.capabilityFlags().test(fcitx::CapabilityFlag::ClientUnfocusCommit);
        if (state.preeditShown && !selfCommits && sink.surrounding()) return;
        platform_.EndWord(state, sink, !selfCommits);
        platform_.Reset(state, sink);
    }

    std::string subModeLabelImpl(const fcitx::InputMethodEntry&, fcitx::InputContext&) override
    {
        return InputMode() == -2 ? "EN" : "VI";
    }

private:
    ContextState& stateOf(fcitx::InputContext& ic) { return ic.propertyFor(&factory_)->state; }

    // The addon's own keys, in section "fcitx5" of the settings file: DirectMode=-1 types without
    // preedit everywhere; DirectPrograms lists programs (comma-separated) that get direct mode.
    void readLinuxSettings()
    {
        char value[512];
        platform_.ini().Get("fcitx5", "DirectMode", "0", value, sizeof value, "tonvoro.ini");
        directAll_ = std::string(value) == "-1";
        platform_.ini().Get("fcitx5", "DirectPrograms", "", value, sizeof value, "tonvoro.ini");
        directPrograms_.assign(1, ',');
        for (const char* c = value; *c; ++c)
            if (*c != ' ') directPrograms_.push_back(*c);
        directPrograms_.push_back(',');
    }

    bool directFor(const fcitx::InputContext& ic) const
    {
        if (directAll_) return true;
        if (ic.program().empty()) return false;
        for (std::size_t at = directPrograms_.find(ic.program()); at != std::string::npos;
             at = directPrograms_.find(ic.program(), at + 1))
            if (at > 0 && directPrograms_[at - 1] == ',' && directPrograms_[at + ic.program().size()] == ',') return true;
        return false;
    }

    void watchSettings()
    {
        const std::string& folder = platform_.ini().folder();
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        inotify_ = fcitx::UnixFD::own(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (!inotify_.isValid() || ::inotify_add_watch(inotify_.fd(), folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0)
            return;
        watch_ = instance_->eventLoop().addIOEvent(inotify_.fd(), fcitx::IOEventFlag::In,
                                                   [this](fcitx::EventSourceIO*, int fd, fcitx::IOEventFlags) {
                                                       if (settingsChanged(fd)) reload();
                                                       return true;
                                                   });
    }

    static bool settingsChanged(int fd)
    {
        alignas(inotify_event) char events[4096];
        bool changed = false;
        for (ssize_t n; (n = ::read(fd, events, sizeof events)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(events + at);
                if (e->len && (std::strcmp(e->name, "tonvoro.ini") == 0 || std::strcmp(e->name, "TRAUTO.INI") == 0)) changed = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return changed;
    }

    void reload()
    {
        platform_.ReloadSettings();
        readLinuxSettings();
        instance_->inputContextManager().foreach([this](fcitx::InputContext* ic) {
            stateOf(*ic).direct = directFor(*ic);
            return true;
        });
    }

    fcitx::Instance* instance_;
    ContextPlatform platform_;
    fcitx::FactoryFor<KesmirContext> factory_;
    std::string buffer_;
    fcitx::Text preedit_;
    bool directAll_ = false;
    std::string directPrograms_;
    fcitx::UnixFD inotify_;
    std::unique_ptr<fcitx::EventSourceIO> watch_;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> textWatch_;
};

class KesmirEngineFactory : public fcitx::AddonFactory {
public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override { return new KesmirEngine(manager->instance()); }
};

}  // namespace

}  // namespace kesmir

FCITX_ADDON_FACTORY(kesmir::KesmirEngineFactory)
