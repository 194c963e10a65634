// The fcitx5 input method inside a headless fcitx5 instance: keys go in through fcitx5's own
// pipeline (its test front end, and text boxes of our own that keep their text the way a program
// does: commits, deletions before the cursor and forwarded keys applied to a string, the string
// offered back as surrounding text).
#include "testfrontend_public.h"

#include <fcitx-utils/event.h>
#include <fcitx-utils/key.h>
#include <fcitx-utils/testing.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>

#include <gtest/gtest.h>

#include "autotext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string folder;  // the test's $XDG_CONFIG_HOME and $XDG_RUNTIME_DIR
fcitx::Instance* instance = nullptr;

// Runs fcitx5's event loop until what is ready now has been handled (a settings file written
// just before, for one). Once only: a loop that has ended cannot take new event sources.
void spin()
{
    auto stop = instance->eventLoop().addTimeEvent(CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC) + 20000, 0,
                                                    [](fcitx::EventSourceTime*, uint64_t) {
                                                        instance->eventLoop().exit();
                                                        return true;
                                                    });
    instance->eventLoop().exec();
}

// Writes the keyboard's settings file as the tray program does; a text box focused afterwards
// reads it.
void settings(const std::string& lines)
{
    std::ofstream(folder + "/kesmir/tonvoro.ini", std::ios::binary | std::ios::trunc) << "[Tonvoro config]\r\n" << lines;
}

// A program's text box: what the input method commits, deletes and forwards lands in its text.
class TextBox : public fcitx::InputContext {
public:
    // ordered: the program takes what the input method sends in its order (Qt, GTK 3); GTK 4
    // applies a deletion once the key's event is over, after any text sent behind it. echoes: the
    // program sends forwarded keys back to the input method once the event is over, with no time
    // (a terminal through XIM), and applies them when they come back unfiltered.
    TextBox(bool surrounding, const std::string& program = "textbox", bool ordered = true, bool echoes = false)
        : InputContext(instance->inputContextManager(), program), surrounding_(surrounding), ordered_(ordered),
          echoes_(echoes)
    {
        created();
        fcitx::CapabilityFlags flags = fcitx::CapabilityFlag::Preedit;
        if (ordered) flags |= fcitx::CapabilityFlag::KeyEventOrderFix;
        if (surrounding) flags |= fcitx::CapabilityFlag::SurroundingText;
        setCapabilityFlags(flags);
        focusIn();
        instance->setCurrentInputMethod(this, "kesmir", true);
        offer();
    }
    ~TextBox() override { destroy(); }
    const char* frontend() const override { return "textbox"; }

    // What the user sees: the text with the preedit at the cursor.
    std::string shown() const
    {
        std::string s = text;
        s.insert(at(cursor), preedit);
        return s;
    }
    // A click, as Qt's line edit takes it: the caret moves (a preedit with it) and the text is
    // told again; the input context is not reset.
    void click(int position)
    {
        cursor = position;
        offer();
    }
    // A program that takes the preedit it shows into its text and resets the input context.
    void takePreeditAndReset()
    {
        insert(preedit);
        preedit.clear();
        reset();
    }
    // Keys as a user types them: letters, digits, blanks and [ ] , . as they are; an upper-case
    // letter with Shift held; "!" is Shift+1.
    void type(const std::string& keys)
    {
        for (const char c : keys) {
            if (c >= 'A' && c <= 'Z') {
                press(fcitx::Key(FcitxKey_Shift_L, fcitx::KeyStates(), 50));
                press(keyOf(c), fcitx::KeyState::Shift);
                release(fcitx::Key(FcitxKey_Shift_L, fcitx::KeyState::Shift, 50));
            } else if (c == '!') {
                press(fcitx::Key(FcitxKey_Shift_L, fcitx::KeyStates(), 50));
                press(fcitx::Key(FcitxKey_exclam, fcitx::KeyState::Shift, 10));
                release(fcitx::Key(FcitxKey_Shift_L, fcitx::KeyState::Shift, 50));
            } else {
                press(keyOf(c));
            }
        }
    }
    // A key pressed and released; true when it reached the program (not taken by the input method).
    bool press(fcitx::Key key, fcitx::KeyStates extra = fcitx::KeyStates())
    {
        key = fcitx::Key(key.sym(), key.states() | extra, key.code());
        fcitx::KeyEvent down(this, key, false);
        keyEvent(down);
        applyLateDeletions();
        const bool reached = !down.filtered();
        if (reached && !key.states().testAny(fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt})) apply(key);
        if (key.sym() != FcitxKey_Shift_L) release(key);
        return reached;
    }
    // A letter pressed and held (its release comes later, by release()).
    void hold(char c)
    {
        fcitx::KeyEvent down(this, keyOf(c), false);
        keyEvent(down);
        if (!down.filtered()) apply(keyOf(c));
    }
    void release(char c) { release(keyOf(c)); }
    void release(fcitx::Key key)
    {
        fcitx::KeyEvent up(this, key, true);
        keyEvent(up);
        applyLateDeletions();
    }

    std::string text, preedit;
    int cursor = 0;  // in characters
    int deletions = 0, forwarded = 0, commits = 0;

protected:
    void commitStringImpl(const std::string& s) override
    {
        ++commits;
        insert(s);
    }
    void deleteSurroundingTextImpl(int offset, unsigned int size) override
    {
        if (!ordered_) {
            late_.emplace_back(offset, size);
            return;
        }
        ++deletions;
        const int from = cursor + offset;
        ASSERT_GE(from, 0);
        text.erase(at(from), at(from + static_cast<int>(size)) - at(from));
        if (cursor > from) cursor = std::max(from, cursor - static_cast<int>(size));
        offer();
    }
    void forwardKeyImpl(const fcitx::ForwardKeyEvent& event) override
    {
        if (echoes_) {
            echoed_.emplace_back(event.rawKey(), event.isRelease());
            return;
        }
        if (event.isRelease()) return;
        ++forwarded;
        apply(event.rawKey());
    }
    void updatePreeditImpl() override { preedit = inputPanel().clientPreedit().toString(); }

private:
    static fcitx::Key keyOf(char c)
    {
        // X key codes of the common layout.
        static const int letters[26] = {38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58, 57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52};
        if (c >= 'a' && c <= 'z') return fcitx::Key(static_cast<fcitx::KeySym>(FcitxKey_a + (c - 'a')), fcitx::KeyStates(), letters[c - 'a']);
        if (c >= 'A' && c <= 'Z') return fcitx::Key(static_cast<fcitx::KeySym>(FcitxKey_A + (c - 'A')), fcitx::KeyStates(), letters[c - 'A']);
        if (c >= '1' && c <= '9') return fcitx::Key(static_cast<fcitx::KeySym>(FcitxKey_1 + (c - '1')), fcitx::KeyStates(), 10 + (c - '1'));
        if (c == '0') return fcitx::Key(FcitxKey_0, fcitx::KeyStates(), 19);
        if (c == ' ') return fcitx::Key(FcitxKey_space, fcitx::KeyStates(), 65);
        if (c == '[') return fcitx::Key(FcitxKey_bracketleft, fcitx::KeyStates(), 34);
        if (c == ']') return fcitx::Key(FcitxKey_bracketright, fcitx::KeyStates(), 35);
        if (c == ',') return fcitx::Key(FcitxKey_comma, fcitx::KeyStates(), 59);
        if (c == '.') return fcitx::Key(FcitxKey_period, fcitx::KeyStates(), 60);
        ADD_FAILURE() << "no key for " << c;
        return fcitx::Key();
    }
    std::size_t at(int chars) const { return static_cast<std::size_t>(fcitx::utf8::ncharByteLength(text.begin(), static_cast<std::size_t>(chars))); }
    void insert(const std::string& s)
    {
        text.insert(at(cursor), s);
        cursor += static_cast<int>(fcitx::utf8::length(s));
        offer();
    }
    // What a program does with a key that reaches it.
    void apply(const fcitx::Key& key)
    {
        if (key.sym() == FcitxKey_Left) {
            if (cursor > 0) --cursor;
            offer();
            return;
        }
        if (key.sym() == FcitxKey_BackSpace) {
            if (cursor == 0) return;
            text.erase(at(cursor - 1), at(cursor) - at(cursor - 1));
            --cursor;
            offer();
            return;
        }
        const uint32_t c = fcitx::Key::keySymToUnicode(key.sym());
        if (c >= 0x20 && c != 0x7F) insert(fcitx::utf8::UCS4ToUTF8(c));
    }
    void offer()
    {
        if (!surrounding_) return;
        surroundingText().setText(text, static_cast<unsigned>(cursor), static_cast<unsigned>(cursor));
        updateSurroundingText();
    }
    void applyLateDeletions()
    {
        const auto late = std::move(late_);
        late_.clear();
        const bool ordered = std::exchange(ordered_, true);
        for (const auto& [offset, size] : late) deleteSurroundingTextImpl(offset, size);
        ordered_ = ordered;
        const auto echoed = std::move(echoed_);
        echoed_.clear();
        for (const auto& [key, release] : echoed) {
            fcitx::KeyEvent back(this, key, release);
            keyEvent(back);
            if (!back.filtered() && !release) apply(key);
        }
    }
    bool surrounding_;
    bool ordered_;
    bool echoes_;
    std::vector<std::pair<int, unsigned>> late_;
    std::vector<std::pair<fcitx::Key, bool>> echoed_;
};

class Fcitx5 : public ::testing::Test {
protected:
    void SetUp() override { settings(""); }
};

TEST_F(Fcitx5, TelexThroughTheTestFrontEndCommitsTheWholeWordOnce)
{
    auto* frontend = instance->addonManager().addon("testfrontend", true);
    ASSERT_NE(frontend, nullptr);
    const fcitx::ICUUID uuid = frontend->call<fcitx::ITestFrontend::createInputContext>("testapp");
    fcitx::InputContext* ic = instance->inputContextManager().findByUUID(uuid);
    ASSERT_NE(ic, nullptr);
    ic->setCapabilityFlags(fcitx::CapabilityFlag::Preedit);
    ic->focusIn();
    instance->setCurrentInputMethod(ic, "kesmir", true);
    std::string committed;
    auto watcher = instance->watchEvent(fcitx::EventType::InputContextCommitString, fcitx::EventWatcherPhase::Default,
                                        [&](fcitx::Event& event) {
                                            committed += static_cast<fcitx::CommitStringEvent&>(event).text();
                                        });
    // The front end stops the test at any commit other than this one.
    frontend->call<fcitx::ITestFrontend::pushCommitExpectation>("người ");
    for (const char* key : {"n", "g", "u", "w", "o", "w", "i", "f"}) {
        frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, fcitx::Key(key), false);
        frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, fcitx::Key(key), true);
        EXPECT_EQ(committed, "") << "the word is still being typed at " << key;
    }
    EXPECT_EQ(ic->inputPanel().clientPreedit().toString(), "người");
    frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, fcitx::Key("space"), false);
    EXPECT_EQ(committed, "người ");
    EXPECT_EQ(ic->inputPanel().clientPreedit().toString(), "");
    frontend->call<fcitx::ITestFrontend::destroyInputContext>(uuid);
}

TEST_F(Fcitx5, TheWordChangesInThePreeditOnlyAndIsCommittedWhenItEnds)
{
    TextBox box(true);
    box.type("Tieengs Vieetj cos daaus");
    EXPECT_EQ(box.text, "Tiếng Việt có ");
    EXPECT_EQ(box.preedit, "dấu");
    // Every correction stayed inside the preedit: nothing of the program's text was touched.
    EXPECT_EQ(box.deletions + box.forwarded, 0);
    EXPECT_EQ(box.commits, 3);
    box.press(fcitx::Key(FcitxKey_Return, fcitx::KeyStates(), 36));  // Enter reaches the program after the word
    EXPECT_EQ(box.text, "Tiếng Việt có dấu");
    EXPECT_EQ(box.preedit, "");
    // Backspace shortens the word in the preedit, and reaches the program when there is none.
    box.type("hoaf");
    EXPECT_FALSE(box.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22)));
    EXPECT_EQ(box.preedit, "ho");
    box.type("a ");
    EXPECT_TRUE(box.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22)));
    EXPECT_EQ(box.shown(), "Tiếng Việt có dấuhoa");
}

TEST_F(Fcitx5, VniTakesShiftedLettersAndDigitsByTheirKeys)
{
    settings("VNIStyle=1\r\n");
    TextBox box(true);
    box.type("Vie65t Nam ngu7o7i2 ");
    EXPECT_EQ(box.text, "Việt Nam người ");
    box.type("a!o");  // Shift+1 is still the key 1: the acute tone
    EXPECT_EQ(box.shown(), "Việt Nam người áo");
    settings("");  // Telex again: Shift+1 types what the layout puts there
    TextBox telex(true);
    telex.type("a! ");
    EXPECT_EQ(telex.text, "a! ");
    // A terminal through XIM tells a capital by its small letter and Shift.
    TextBox xim(false, "xterm");
    xim.press(fcitx::Key(FcitxKey_Shift_L, fcitx::KeyStates(), 50));
    xim.press(fcitx::Key(FcitxKey_t, fcitx::KeyState::Shift, 28));
    xim.release(fcitx::Key(FcitxKey_Shift_L, fcitx::KeyState::Shift, 50));
    xim.type("ois ");
    EXPECT_EQ(xim.text, "Tói ");
}

TEST_F(Fcitx5, TwoInputContextsTypingInTurnKeepTheirOwnWords)
{
    TextBox first(true, "first"), second(false, "second");
    const std::string a = "nguwowif ddi hocj ", b = "tieengs Vieetj ";
    for (std::size_t k = 0; k < a.size() || k < b.size(); ++k) {
        if (k < a.size()) first.type(a.substr(k, 1));
        if (k < b.size()) second.type(b.substr(k, 1));
    }
    EXPECT_EQ(first.text, "người đi học ");
    EXPECT_EQ(second.text, "tiếng Việt ");
}

TEST_F(Fcitx5, WithoutSurroundingTextCorrectionsOfCommittedTextAreBackspacesInOrder)
{
    // Direct mode: every character is committed at once; the tone that follows erases some of
    // them again, with Backspaces forwarded ahead of the new letters.
    settings("[fcitx5]\r\nDirectPrograms=plain, other\r\n");
    TextBox plain(false, "plain");
    plain.type("nguwowif vieetj ");
    EXPECT_EQ(plain.text, "người việt ");
    EXPECT_EQ(plain.preedit, "");
    EXPECT_GT(plain.forwarded, 0);
    EXPECT_EQ(plain.deletions, 0);
    // The same with surrounding text: deletions, no keys.
    settings("[fcitx5]\r\nDirectMode=-1\r\n");
    TextBox direct(true, "direct");
    direct.type("nguwowif vieetj ");
    EXPECT_EQ(direct.text, "người việt ");
    EXPECT_GT(direct.deletions, 0);
    EXPECT_EQ(direct.forwarded, 0);
    // In preedit mode a tone on a word already committed (its space taken back) reaches it too.
    settings("");
    TextBox preedit(false);
    preedit.type("toi ");
    preedit.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22));
    preedit.type("s");
    EXPECT_EQ(preedit.shown(), "tói");
    // A terminal through XIM sends some forwarded keys back: they are not the user's Backspaces.
    TextBox xim(false, "xim", false, true);
    xim.type("toi ");
    xim.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22));
    xim.type("s tieengs");
    xim.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22));
    xim.type("g ");
    EXPECT_EQ(xim.text, "tói tiếng ");
}

TEST_F(Fcitx5, FunctionKeysAndShortcutsReachTheProgram)
{
    TextBox box(true);
    box.type("chaof");
    EXPECT_TRUE(box.press(fcitx::Key(FcitxKey_F5, fcitx::KeyStates(), 71)));
    EXPECT_EQ(box.text, "chào");  // the word is committed before the key passes
    EXPECT_TRUE(box.press(fcitx::Key(FcitxKey_c, fcitx::KeyState::Ctrl, 54)));
    EXPECT_TRUE(box.press(fcitx::Key(FcitxKey_s, fcitx::KeyState::Ctrl, 39)));
    EXPECT_TRUE(box.press(fcitx::Key(FcitxKey_Escape, fcitx::KeyStates(), 9)));
    EXPECT_TRUE(box.press(fcitx::Key(FcitxKey_Left, fcitx::KeyStates(), 113)));
    EXPECT_EQ(box.text, "chào");
    EXPECT_EQ(box.preedit, "");
}

TEST_F(Fcitx5, FastCorrectAfterAClickRebuildsThatWordOnly)
{
    settings("FastCorrect=-1\r\n");
    TextBox box(true);
    box.type("Ha Noi la thu do ");
    box.click(2);  // Ha| Noi
    box.type("f");
    EXPECT_EQ(box.shown(), "Hà Noi la thu do ");
    box.click(13);  // thu| do
    box.type("r");
    EXPECT_EQ(box.shown(), "Hà Noi la thủ do ");
    box.click(16);  // do|
    box.type("o");
    EXPECT_EQ(box.shown(), "Hà Noi la thủ dô ");
    // The program's text was read, never copied through the clipboard with keys.
    EXPECT_EQ(box.forwarded, 0);
    // Typing on after the correction: the caret stays where the program has it.
    box.type("ng");
    EXPECT_EQ(box.shown(), "Hà Noi la thủ dông ");
    // A Backspace after the click edits the word the caret is in, not the word typed before.
    TextBox edited(true);
    edited.type("Ha Noi la ");
    edited.click(6);  // Noi|
    edited.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22));
    edited.type("oj ");
    EXPECT_EQ(edited.shown(), "Ha Nộ  la ");
    edited.click(9);  // la|
    edited.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22));
    edited.type("af ");
    EXPECT_EQ(edited.shown(), "Ha Nộ  là  ");
    // A program that applies the deletion after the text sent behind it (GTK 4): the new text
    // waits in the preedit until the deletion is done.
    TextBox late(true, "late", false);
    late.type("Ha Noi ");
    late.click(6);
    late.type("j");
    EXPECT_EQ(late.shown(), "Ha Nọi ");
    late.type(" ");
    EXPECT_EQ(late.text, "Ha Nọi  ");
    // GTK resets the input context after its Backspace: the click still holds.
    TextBox gtk(true, "gtk");
    gtk.type("Ha Noi la ");
    gtk.click(6);
    gtk.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22));
    gtk.reset();
    gtk.type("oj ");
    EXPECT_EQ(gtk.shown(), "Ha Nộ  la ");

    // Rolled typing and auto-repeat: a key pressed while the read of the word waits for its
    // key's release deletes nothing that was not the word's, and each box keeps its own read.
    TextBox rolled(true);
    rolled.type("Ha Noi ");
    rolled.click(2);
    rolled.hold('f');
    rolled.hold('a');
    rolled.release('a');
    rolled.release('f');
    EXPECT_EQ(rolled.text.substr(0, 1), "H") << rolled.shown();
    EXPECT_EQ(rolled.shown().substr(rolled.shown().size() - 5), " Noi ") << rolled.shown();
    TextBox held(true), other(true);
    held.type("Ha Noi ");
    held.click(2);
    other.type("Hello ");
    held.hold('f');
    held.hold('f');
    other.type("x");
    EXPECT_EQ(other.shown(), "Hello x");
    held.release('f');
    EXPECT_EQ(held.text.substr(0, 1), "H") << held.shown();
}

TEST_F(Fcitx5, AWordBeingTypedIsNeitherLostNorDoubledWhenTheCaretMoves)
{
    // The program moves the caret and shows the preedit there: the word is committed where it
    // was shown, and the caret stays where the user put it.
    TextBox box(true);
    box.type("Ha Noi vieej");
    box.click(2);
    EXPECT_EQ(box.text, "Ha Noi việ");
    EXPECT_EQ(box.preedit, "");
    EXPECT_EQ(box.cursor, 2);
    box.type("t");  // a new start at the caret, not the old word's end
    EXPECT_EQ(box.shown(), "Hat Noi việ");
    // The same with a click after the word.
    TextBox later(true);
    later.type("Ha Noi ");
    later.click(3);
    later.type("vieej");
    later.click(7);
    EXPECT_EQ(later.shown(), "Ha việNoi ");
    EXPECT_EQ(later.cursor, 10);
    // The program takes the preedit into its text itself and resets: ours is dropped.
    TextBox other(true);
    other.type("Ha Noi vieej");
    other.takePreeditAndReset();
    EXPECT_EQ(other.text, "Ha Noi việ");
    other.type(" ddi");
    EXPECT_EQ(other.shown(), "Ha Noi việ đi");
    // Another window takes the focus in the middle of a word: the word stays where it was shown,
    // and typing on after coming back starts a new word there.
    TextBox left(true);
    left.type("xin vieej");
    left.focusOut();
    EXPECT_EQ(left.text, "xin việ");
    left.preedit.clear();  // the program hides its preedit with the focus
    left.focusIn();
    left.type("t ");
    EXPECT_EQ(left.shown(), "xin việt ");
    // A tone key after coming back belongs to the new word, never to a copy of the old one.
    left.type("nguwowi");
    left.focusOut();
    left.preedit.clear();
    left.focusIn();
    left.type("f ");
    EXPECT_EQ(left.shown(), "xin việt ngươif ");
    // A program that commits the preedit itself when the focus leaves (Qt) still has it to commit.
    TextBox qt(true, "qt");
    qt.setCapabilityFlags(qt.capabilityFlags() | fcitx::CapabilityFlag::ClientUnfocusCommit);
    qt.type("xin vieej");
    qt.focusOut();
    EXPECT_EQ(qt.preedit, "việ");
    EXPECT_EQ(qt.text, "xin ");
    // GTK resets the input context at every caret move, its own too: a reset ends the word and
    // the next keys make a new one, with fast correct off or on (a reset is no click).
    for (const char* fast : {"FastCorrect=0\r\n", "FastCorrect=-1\r\n"}) {
        settings(fast);
        TextBox gtk(true, "gtk");
        gtk.type("Ha Noi ");
        gtk.reset();
        gtk.type("ddi");
        EXPECT_EQ(gtk.shown(), "Ha Noi đi") << fast;
        // A reset that moved nothing (GTK's after its own Backspace) leaves the word going on.
        gtk.type(" toi ");
        EXPECT_TRUE(gtk.press(fcitx::Key(FcitxKey_BackSpace, fcitx::KeyStates(), 22)));
        gtk.reset();
        gtk.type("s");
        EXPECT_EQ(gtk.shown(), "Ha Noi đi tói") << fast;
    }
    // Typing that only adds to the text is never taken for a caret move.
    settings("[fcitx5]\r\nDirectMode=-1\r\n");
    TextBox direct(true, "direct");
    direct.type("nguwowif ddi hocj");
    EXPECT_EQ(direct.text, "người đi học");
}

TEST_F(Fcitx5, AutoTextDefinedInTheTrayDialogExpandsOnSpace)
{
    {
        // The abbreviation as a user defines it, in the tray program's dialog.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        int argc = 1;
        char name[] = "test_fcitx5";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        kesmir::tray::AutoTextDialog dialog(kesmir::IniFiles(folder + "/kesmir"));
        dialog.findChild<QLineEdit*>(QStringLiteral("1002"))->setText(QStringLiteral("vn"));
        dialog.findChild<QLineEdit*>(QStringLiteral("1003"))->setText(QStringLiteral("Việt Nam"));
        dialog.findChild<QAbstractButton*>(QStringLiteral("1005"))->click();
    }
    settings("_flAutoText=-1\r\n");
    TextBox box(true);
    box.type("vn vnx ");
    EXPECT_EQ(box.text, "Việt Nam vnx ");
}

TEST_F(Fcitx5, TheToggleKeySwitchesToEnglishAndTellsTheTrayProgram)
{
    const std::string path = folder + "/kesmir-tray.sock";
    const int tray = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ::unlink(path.c_str());
    ASSERT_EQ(::bind(tray, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    TextBox box(true);
    box.type("as");
    EXPECT_FALSE(box.press(fcitx::Key(FcitxKey_z, fcitx::KeyState::Alt, 52)));
    char message[16] = {};
    EXPECT_EQ(::recv(tray, message, sizeof message - 1, 0), 4);
    EXPECT_STREQ(message, "3002");
    box.type("as");
    EXPECT_EQ(box.shown(), "áas");
    std::ifstream file(folder + "/kesmir/tonvoro.ini");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(file), {}).find("flagvnkey=-2"), std::string::npos);
    box.press(fcitx::Key(FcitxKey_z, fcitx::KeyState::Alt, 52));
    box.type(" as");
    EXPECT_EQ(box.shown(), "áas á");
    ::close(tray);
    ::unlink(path.c_str());
}

// Last: fcitx5's event loop runs once in a process (see spin()).
TEST_F(Fcitx5, SettingsAreReadAgainWhenTheFileChanges)
{
    TextBox box(true);
    box.type("a1 ");
    settings("VNIStyle=1\r\n");
    spin();
    box.type("a1 ");  // the same text box, no focus change
    EXPECT_EQ(box.text, "a1 á ");
}

// One fcitx5 instance for the whole program: fcitx5 with testim, testfrontend and our addon
// from the build, and a group of keyboard-us and kesmir.
class Fcitx5Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        char pattern[] = "/tmp/kesmir-fcitx5-XXXXXX";
        folder = mkdtemp(pattern);
        std::filesystem::create_directories(folder + "/kesmir");
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        fcitx::setupTestingEnvironment(KESMIR_FCITX5_DIR, {KESMIR_FCITX5_DIR "/lib", FCITX5_ADDON_DIR},
                                       {KESMIR_FCITX5_DIR "/share", FCITX5_DATA_DIR, FCITX5_DATA_DIR "/testing"});
        char program[] = "test_fcitx5", disable[] = "--disable=all", enable[] = "--enable=testim,testfrontend,kesmir";
        char* argv[] = {program, disable, enable};
        instance_ = std::make_unique<fcitx::Instance>(3, argv);
        instance = instance_.get();
        instance->addonManager().registerDefaultLoader(nullptr);
        instance->initialize();
        fcitx::InputMethodGroup group = instance->inputMethodManager().currentGroup();
        group.inputMethodList().clear();
        group.inputMethodList().emplace_back("keyboard-us");
        group.inputMethodList().emplace_back("kesmir");
        group.setDefaultInputMethod("");
        instance->inputMethodManager().setGroup(std::move(group));
        ASSERT_NE(instance->inputMethodManager().entry("kesmir"), nullptr) << "the addon's input method was not found";
    }
    void TearDown() override
    {
        instance = nullptr;
        instance_.reset();
        std::filesystem::remove_all(folder);
    }

private:
    std::unique_ptr<fcitx::Instance> instance_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Fcitx5Environment);

}  // namespace
