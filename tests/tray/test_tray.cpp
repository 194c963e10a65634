// The keyboard's tray program through its real dialogs: what each control writes, what the
// engine then types, the icon, the toolbar and the AutoText dialog.
#include "autotext.h"
#include "desktop.h"
#include "kesmir.h"
#include "maindialog.h"
#include "simplatform.h"
#include "traynotice.h"
#include "trayprogram.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace kesmir;
using namespace kesmir::tray;

namespace {

class FakeIconArea : public IconArea {
public:
    bool Show(bool v) override
    {
        ++shows;
        if (!available) return false;
        shown = true;
        vietnamese = v;
        return true;
    }
    void Update(bool v) override { vietnamese = v; }
    void Hide() override { shown = false; }
    void click(QSystemTrayIcon::ActivationReason reason) { emit activated(reason); }

    bool available = true, shown = false, vietnamese = true;
    int shows = 0;
};

class FakeHooks : public Hooks {
public:
    bool Install() override { return ++installs > 0; }
    void Remove() override { ++removes; }
    int installs = 0, removes = 0;
};

using Folder = TempFolder;

// What a program shows after the keys are typed into it with the settings of the folder, from a
// process that loads them afresh.
std::string typed(const Folder& folder, const std::string& keys)
{
    SimPlatform sim(folder.path);
    SetPlatform(&sim);
    ResetProcessState();
    sim.Type(keys);
    std::string out = sim.Utf8();
    SetPlatform(nullptr);
    return out;
}

class Tray : public ::testing::Test {
protected:
    void start(Options options = {})
    {
        auto icon = std::make_unique<FakeIconArea>();
        auto hooks = std::make_unique<FakeHooks>();
        icon_ = icon.get();
        hooks_ = hooks.get();
        program_ = std::make_unique<TrayProgram>(IniFiles(folder_.path), options, std::move(icon), std::move(hooks));
        finished_ = std::make_unique<QSignalSpy>(program_.get(), &TrayProgram::finished);
        program_->Start();
    }
    void click(int id) { program_->main()->control(id)->click(); }
    bool marked(int id) { return program_->main()->control(id)->isChecked(); }

    Folder folder_;
    FakeIconArea* icon_ = nullptr;
    FakeHooks* hooks_ = nullptr;
    std::unique_ptr<TrayProgram> program_;
    std::unique_ptr<QSignalSpy> finished_;
};

}  // namespace

TEST_F(Tray, EachControlWritesTheSettingsAndTheEngineTypesByThem)
{
    start();
    EXPECT_TRUE(program_->main()->isVisible());
    EXPECT_EQ(hooks_->installs, 1);
    EXPECT_TRUE(marked(103) && marked(117) && !marked(104) && !marked(109));

    click(105);
    // All seven keys, in their order, every time; AutoText's written with a leading blank is the
    // same key to every reader.
    EXPECT_EQ(folder_.read("tonvoro.ini"),
              "[Tonvoro config]\r\nflagvnkey=1\r\nVNIStyle=1\r\nOld=0\r\nFastCorrect=0\r\nflagchuan=0\r\nNUMLAI=3\r\n"
              "_flAutoText=0\r\nAutoUo=0\r\n");
    EXPECT_EQ(typed(folder_, "a1 o6"), "á ô");
    EXPECT_TRUE(marked(105) && !marked(103));

    click(104);
    EXPECT_EQ(typed(folder_, "as a1"), "as a1");
    // A mark is the setting's: clicking the marked button again leaves it marked.
    click(104);
    EXPECT_TRUE(marked(104) && !marked(105) && !marked(103));
    EXPECT_EQ(ReadSettings(IniFiles(folder_.path)).style, 0);  // back to Vietnamese by the toggle key is Telex

    click(103);
    EXPECT_EQ(typed(folder_, "as"), "á");
    click(109);
    EXPECT_EQ(typed(folder_, "hoaf"), "hòa");
    click(109);
    EXPECT_EQ(typed(folder_, "hoaf"), "hoà");

    click(110);
    click(116);
    click(112);
    Settings s = ReadSettings(IniFiles(folder_.path));
    EXPECT_EQ(s.code, 1);
    EXPECT_EQ(s.fastCorrect, -1);
    EXPECT_EQ(s.numLai, 1);
    EXPECT_TRUE(marked(110) && marked(116) && marked(112) && !marked(117));
    click(117);
    click(116);
    s = ReadSettings(IniFiles(folder_.path));
    EXPECT_EQ(s.numLai, 3);
    EXPECT_EQ(s.fastCorrect, 0);

    folder_.write("TRAUTO.INI", "[AutoText]\r\nvn=Vi\xD6t Nam\r\n");
    EXPECT_EQ(typed(folder_, "vn "), "vn ");
    click(1009);
    EXPECT_TRUE(marked(1009));
    EXPECT_EQ(typed(folder_, "vn "), "Việt Nam ");
    // The disabled codes stay as they are.
    EXPECT_FALSE(program_->main()->control(108)->isEnabled());
    // Each Alt key reaches one control: Alt+T is Telex, AutoText has a key of its own.
    click(104);
    QApplication::setActiveWindow(program_->main());
    ASSERT_TRUE(QTest::qWaitForWindowActive(program_->main()));
    QTest::keyClick(program_->main(), Qt::Key_T, Qt::AltModifier);
    QTest::qWait(300);  // a button's Alt key presses it a moment later
    EXPECT_TRUE(marked(103) && !marked(104));
    QTest::keyClick(program_->main(), Qt::Key_X, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_FALSE(marked(1009));
    // "ươ tự động": off, Telex keeps "uơ" as the keys shape it; on, a "uơ" that goes on is "ươ".
    EXPECT_EQ(typed(folder_, "thuowngf"), "thuờng");
    click(1011);
    EXPECT_EQ(ReadSettings(IniFiles(folder_.path)).autoUo, -1);
    EXPECT_EQ(typed(folder_, "thuowngf uowis thuowr huow quow"), "thường ưới thuở huơ quơ");
}

TEST_F(Tray, AChangeStartsFromTheFileAndFollowsTheToggleKey)
{
    start();
    // The toggle key in a program wrote English: the next change keeps it.
    folder_.write("tonvoro.ini", "[Tonvoro config]\r\nflagvnkey=-2\r\nVNIStyle=1\r\n");
    program_->Run(ModeToggled);
    EXPECT_TRUE(marked(104));
    click(109);
    const Settings s = ReadSettings(IniFiles(folder_.path));
    EXPECT_EQ(s.mode, -2);
    EXPECT_EQ(s.style, 1);
    EXPECT_EQ(s.old, -1);
    // A file written in place by an editor, without a message: the marks follow it.
    {
        std::ofstream in(folder_.path + "/tonvoro.ini", std::ios::binary | std::ios::trunc);
        in << "[Tonvoro config]\r\nflagvnkey=1\r\nVNIStyle=1\r\n";
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return marked(105); }, 5000));
}

TEST_F(Tray, ADoubleClickOnTheIconFlipsTheModeThenRestoresMain)
{
    start();
    click(1000);
    EXPECT_EQ(program_->display(), TrayProgram::IconShown);
    EXPECT_TRUE(icon_->shown);
    EXPECT_FALSE(program_->main()->isVisible());
    // A double click arrives as a click and then a double click.
    icon_->click(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(icon_->vietnamese);
    EXPECT_EQ(ReadSettings(IniFiles(folder_.path)).mode, -2);
    icon_->click(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(program_->display(), TrayProgram::MainShown);
    EXPECT_FALSE(icon_->shown);
    EXPECT_TRUE(program_->main()->isVisible());
    EXPECT_TRUE(marked(104));
    EXPECT_EQ(finished_->count(), 0);

    // The toggle key while only the icon shows changes the icon.
    click(1000);
    folder_.write("tonvoro.ini", "[Tonvoro config]\r\nflagvnkey=1\r\n");
    program_->Run(ModeToggled);
    EXPECT_TRUE(icon_->vietnamese);
    // A right click restores too.
    icon_->click(QSystemTrayIcon::Context);
    EXPECT_TRUE(program_->main()->isVisible());
    // So does the command that opens MAIN, and the icon goes with it.
    click(1000);
    program_->Run(OpenMain);
    EXPECT_FALSE(icon_->shown);
    EXPECT_EQ(program_->display(), TrayProgram::MainShown);
}

TEST_F(Tray, StartedHiddenAsKesmirhTheProgramEndsWhenRestored)
{
    start(OptionsFromCommandLine({QStringLiteral("/usr/bin/kesmirh"), QStringLiteral("--x")}));
    EXPECT_TRUE(program_->options().unloadOnRestore);
    EXPECT_EQ(program_->display(), TrayProgram::IconShown);
    EXPECT_FALSE(program_->main()->isVisible());
    icon_->click(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(finished_->count(), 1);
    EXPECT_EQ(hooks_->removes, 1);

    const Options tonvoro = OptionsFromCommandLine({QStringLiteral("C:\\Program Files\\Tonvoro.exe")});
    EXPECT_TRUE(tonvoro.startHidden);
    EXPECT_FALSE(tonvoro.unloadOnRestore);
    // Only the program's own name counts: not its folder, not its arguments.
    for (const QStringList& line : {QStringList{QStringLiteral("/opt/tonvoro/KESMIR")}, QStringList{QStringLiteral("/home/kesmirh/bin/KESMIR")},
                                    QStringList{QStringLiteral("KESMIR"), QStringLiteral("/tmp/TONVORO")}})
        EXPECT_FALSE(OptionsFromCommandLine(line).startHidden) << line.join(u' ').toStdString();
}

TEST_F(Tray, WithoutANotificationAreaTaskBarLeavesMainInSightAndTriesOnce)
{
    auto icon = std::make_unique<FakeIconArea>();
    icon->available = false;
    icon_ = icon.get();
    auto hooks = std::make_unique<FakeHooks>();
    program_ = std::make_unique<TrayProgram>(IniFiles(folder_.path), Options{true, false}, std::move(icon), std::move(hooks));
    program_->Start();
    EXPECT_EQ(icon_->shows, 1);
    EXPECT_EQ(program_->display(), TrayProgram::MainShown);
    EXPECT_TRUE(program_->main()->isVisible());
    // Later changes and paints do not try again; the button does, once per press.
    click(105);
    program_->Run(ModeToggled);
    QTest::qWait(20);
    EXPECT_EQ(icon_->shows, 1);
    click(1000);
    EXPECT_EQ(icon_->shows, 2);
    EXPECT_TRUE(program_->main()->isVisible());
}

TEST_F(Tray, TheToolbarFlipsTheModeAndGivesBackTheSettings)
{
    start();
    click(113);
    FloatBar* bar = program_->toolbar();
    EXPECT_EQ(program_->display(), TrayProgram::ToolbarShown);
    EXPECT_FALSE(program_->main()->isVisible());
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(bar->button(3)->geometry(), QRect(48, 0, 28, 22));

    QTest::mouseClick(bar->button(1), Qt::LeftButton);
    EXPECT_EQ(ReadSettings(IniFiles(folder_.path)).mode, -2);
    QTest::mouseClick(bar->button(1), Qt::LeftButton);
    EXPECT_EQ(ReadSettings(IniFiles(folder_.path)).mode, 1);

    QTest::mouseClick(bar->button(2), Qt::LeftButton);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(program_->main()->isVisible());
    EXPECT_EQ(program_->display(), TrayProgram::MainShown);

    // The toggle key while the toolbar shows changes its picture and nothing else: the keys stay
    // in the program the user types in.
    click(113);
    folder_.write("tonvoro.ini", "[Tonvoro config]\r\nflagvnkey=-2\r\n");
    program_->Run(ModeToggled);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(program_->main()->isVisible());
    EXPECT_EQ(bar->button(1)->toolTip(), QStringLiteral(" TR-English "));
    // Closing it brings the settings back.
    bar->close();
    EXPECT_TRUE(program_->main()->isVisible());
    EXPECT_EQ(program_->display(), TrayProgram::MainShown);
    // The toolbar never takes the keys from the program the user types in.
    EXPECT_TRUE(bar->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(bar->button(1)->focusPolicy(), Qt::NoFocus);
}

TEST_F(Tray, UnloadTheCloseBoxAndTheCloseCommandEndTheProgramOnce)
{
    start();
    program_->main()->close();
    EXPECT_EQ(finished_->count(), 1);
    EXPECT_EQ(hooks_->removes, 1);
    EXPECT_FALSE(program_->main()->isVisible());
    program_->Run(CloseProgram);
    click(115);
    EXPECT_EQ(finished_->count(), 1);
    EXPECT_EQ(hooks_->removes, 1);
    // Esc alone never leaves the settings; "&Ok" puts them out of the way, open.
    start();
    QTest::keyClick(program_->main(), Qt::Key_Escape);
    EXPECT_TRUE(program_->main()->isVisible());
    click(107);
    EXPECT_TRUE(program_->main()->isMinimized());
    EXPECT_EQ(program_->display(), TrayProgram::MainShown);
    // Enter presses the focused button, not the default one.
    program_->BringForward();
    EXPECT_FALSE(program_->main()->isMinimized());
    program_->main()->control(115)->setFocus();
    QTest::keyClick(program_->main()->control(115), Qt::Key_Return);
    EXPECT_EQ(finished_->count(), 1);
    EXPECT_EQ(hooks_->removes, 1);
}

TEST_F(Tray, TheKeyboardsMessagesArriveOnTheSocketAndReachTheProgram)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_.path));
    start();
    click(113);
    {
        CommandSocket socket;
        ASSERT_TRUE(socket.Listen());
        QObject::connect(&socket, &CommandSocket::command, program_.get(), &TrayProgram::Run);
        // Another copy's socket file left behind is no obstacle.
        CommandSocket again;
        ASSERT_TRUE(again.Listen());
        QObject::connect(&again, &CommandSocket::command, program_.get(), &TrayProgram::Run);
        // The file changes first, then the message comes (the watcher may see the file first).
        folder_.write("tonvoro.ini", "[Tonvoro config]\r\nflagvnkey=-2\r\n");
        ASSERT_TRUE(tray::Notify(tray::kModeChanged));
        EXPECT_TRUE(QTest::qWaitFor([&] { return program_->toolbar()->button(1)->toolTip() == QStringLiteral(" TR-English "); }, 5000));
        ASSERT_TRUE(tray::Notify("3001"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return program_->main()->isVisible(); }, 5000));
        ASSERT_TRUE(tray::Notify("garbage"));
        ASSERT_TRUE(tray::Notify("1200"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished_->count() == 1; }, 5000));
    }
    EXPECT_FALSE(std::filesystem::exists(folder_.path + "/kesmir-tray.sock"));
    qputenv("XDG_RUNTIME_DIR", runtime);
}

// ---- AutoText ----------------------------------------------------------------------------------

namespace {

class AutoText : public ::testing::Test {
protected:
    AutoText() { folder_.write("tonvoro.ini", "[Tonvoro config]\r\n_flAutoText=-1\r\n"); }
    void open() { dialog_ = std::make_unique<AutoTextDialog>(IniFiles(folder_.path)); }
    template <class T = QWidget>
    T* part(const char* name) { return dialog_->findChild<T*>(QString::fromLatin1(name)); }
    void enter(const QString& abbreviation, const QString& replacement)
    {
        part<QLineEdit>("1002")->setText(abbreviation);
        part<QLineEdit>("1003")->setText(replacement);
    }
    void press(const char* id) { part<QAbstractButton>(id)->click(); }
    void choose(int row) { part<QListWidget>("1001")->setCurrentRow(row); }
    QStringList lines()
    {
        QStringList out;
        auto* list = part<QListWidget>("1001");
        for (int k = 0; k < list->count(); ++k) out << list->item(k)->text();
        return out;
    }
    QString status() { return part<QLabel>("status")->text(); }

    Folder folder_;
    std::unique_ptr<AutoTextDialog> dialog_;
};

}  // namespace

TEST_F(AutoText, AnAbbreviationAddedInTheDialogExpandsInItsOwnCaseOnly)
{
    open();
    enter(QStringLiteral("vn"), QStringLiteral("Việt Nam"));
    press("1005");
    EXPECT_EQ(lines(), QStringList{QStringLiteral("vn  . . .  Việt Nam")});
    EXPECT_EQ(folder_.read("TRAUTO.INI"), "[AutoText]\r\nvn=Vi\xD6t Nam\r\n");
    EXPECT_EQ(typed(folder_, "vn vnx VN "), "Việt Nam vnx VN ");
    // Opened again, the dialog shows what the file holds.
    open();
    EXPECT_EQ(lines(), QStringList{QStringLiteral("vn  . . .  Việt Nam")});
}

TEST_F(AutoText, WhatTheFileCannotHoldIsRefusedWithItsReason)
{
    open();
    enter(QStringLiteral("vn"), QStringLiteral("Việt Nam"));
    press("1005");
    const std::string before = folder_.read("TRAUTO.INI");
    for (const QString& bad : {QStringLiteral("VN"), QStringLiteral("a=b"), QStringLiteral("a b"), QStringLiteral("[ab"),
                               QStringLiteral(";ab"), QStringLiteral("ab€")}) {
        enter(bad, QStringLiteral("x"));
        press("1005");
        EXPECT_FALSE(status().isEmpty()) << bad.toStdString();
        EXPECT_EQ(lines().size(), 1) << bad.toStdString();
    }
    // A capital vowel with a tone would come back small: refused like a letter the code lacks.
    for (const QString& bad : {QStringLiteral("Ω"), QStringLiteral("VIỆT NAM")}) {
        enter(QStringLiteral("ok"), bad);
        press("1005");
        EXPECT_TRUE(status().contains(bad == QStringLiteral("Ω") ? QStringLiteral("Ω") : QStringLiteral("Ệ"))) << bad.toStdString();
    }
    EXPECT_EQ(folder_.read("TRAUTO.INI"), before);
    // The case check also holds for a correction, but a line may keep its own abbreviation.
    enter(QStringLiteral("hn"), QStringLiteral("Hà Nội"));
    press("1005");
    choose(1);
    enter(QStringLiteral("Vn"), QStringLiteral("x"));
    press("1004");
    EXPECT_FALSE(status().isEmpty());
    choose(0);
    enter(QStringLiteral("VN"), QStringLiteral("Việt Nam"));
    press("1004");
    EXPECT_TRUE(status().isEmpty());
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("VN  . . .  Việt Nam"), QStringLiteral("hn  . . .  Hà Nội")}));
}

TEST_F(AutoText, ModifyAndDeleteChangeTheChosenLineOnly)
{
    open();
    for (auto [a, r] : {std::pair{"a1", "one"}, {"b2", "two"}, {"c3", "three"}}) {
        enter(QString::fromLatin1(a), QString::fromLatin1(r));
        press("1005");
    }
    // Nothing chosen: nothing happens.
    part<QListWidget>("1001")->setCurrentRow(-1);
    enter(QStringLiteral("zz"), QStringLiteral("zz"));
    press("1004");
    press("1006");
    EXPECT_EQ(lines().size(), 3);
    // An empty replacement changes nothing.
    const std::string before = folder_.read("TRAUTO.INI");
    choose(1);
    EXPECT_EQ(part<QLineEdit>("1003")->text(), QStringLiteral("two"));
    part<QLineEdit>("1003")->clear();
    press("1004");
    EXPECT_EQ(folder_.read("TRAUTO.INI"), before);
    // A new abbreviation for the middle line keeps the order in the list and in the file.
    choose(1);
    enter(QStringLiteral("bb"), QStringLiteral("hai"));
    press("1004");
    EXPECT_EQ(folder_.read("TRAUTO.INI"), "[AutoText]\r\na1=one\r\nbb=hai\r\nc3=three\r\n");
    // Deleting the first leaves the others in order, each line still its own record.
    choose(0);
    press("1006");
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("bb  . . .  hai"), QStringLiteral("c3  . . .  three")}));
    choose(1);
    EXPECT_EQ(part<QLineEdit>("1002")->text(), QStringLiteral("c3"));
    EXPECT_EQ(part<QLineEdit>("1003")->text(), QStringLiteral("three"));
    EXPECT_EQ(typed(folder_, "a1 bb c3 "), "a1 hai three ");
}

TEST_F(AutoText, ChangesMadeElsewhereWhileTheDialogIsOpenAreKept)
{
    folder_.write("TRAUTO.INI", "[AutoText]\r\na1=one\r\nb2=two\r\nc3=three\r\n");
    open();
    // Another program changes the file under the open dialog.
    folder_.write("TRAUTO.INI", "[AutoText]\r\na1=ONE\r\nc3=three\r\nd4=four\r\n");
    choose(2);
    enter(QStringLiteral("cc"), QStringLiteral("ba"));
    press("1004");
    EXPECT_EQ(folder_.read("TRAUTO.INI"), "[AutoText]\r\na1=ONE\r\ncc=ba\r\nd4=four\r\n");
    EXPECT_EQ(lines().size(), 3);
    EXPECT_EQ(part<QListWidget>("1001")->currentItem()->text(), QStringLiteral("cc  . . .  ba"));
    // A line deleted elsewhere cannot be changed or deleted here: the list is read again.
    folder_.write("TRAUTO.INI", "[AutoText]\r\ncc=ba\r\n");
    choose(0);
    press("1006");
    EXPECT_FALSE(status().isEmpty());
    EXPECT_EQ(lines(), QStringList{QStringLiteral("cc  . . .  ba")});
    EXPECT_EQ(folder_.read("TRAUTO.INI"), "[AutoText]\r\ncc=ba\r\n");
}

TEST_F(AutoText, AFileWithTheSameKeyInTwoCasesLosesNothingElse)
{
    // Written by hand or by an older program: the dialog shows both, each line acts on its own.
    // The same key twice in one case reads as its first line; the second waits out of the list.
    folder_.write("TRAUTO.INI", "[AutoText]\r\nvn=first\r\nhn=Hanoi\r\nVN=second\r\nvn=again\r\n");
    open();
    ASSERT_EQ(lines().size(), 3);
    EXPECT_EQ(lines()[2], QStringLiteral("VN  . . .  second"));
    choose(1);
    enter(QStringLiteral("hn"), QStringLiteral("Hà Nội"));
    press("1004");
    EXPECT_EQ(folder_.read("TRAUTO.INI"), "[AutoText]\r\nvn=first\r\nhn=H\xB5 N\xE9i\r\nVN=second\r\nvn=again\r\n");
    choose(2);
    press("1006");
    EXPECT_EQ(folder_.read("TRAUTO.INI"), "[AutoText]\r\nvn=first\r\nhn=H\xB5 N\xE9i\r\nvn=again\r\n");
    choose(0);
    press("1006");
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("hn  . . .  Hà Nội"), QStringLiteral("vn  . . .  again")}));
}

TEST_F(AutoText, TheSixtyFifthAbbreviationIsRefusedAndEveryOneBeforeItExpands)
{
    open();
    for (int k = 0; k < 64; ++k) {
        enter(QStringLiteral("t%1").arg(k), QStringLiteral("text %1").arg(k));
        press("1005");
        ASSERT_TRUE(status().isEmpty()) << k;
    }
    enter(QStringLiteral("t64"), QStringLiteral("text 64"));
    press("1005");
    EXPECT_TRUE(status().contains(QStringLiteral("64")));
    EXPECT_EQ(lines().size(), 64);
    EXPECT_EQ(typed(folder_, "t0 t63 "), "text 0 text 63 ");
}
