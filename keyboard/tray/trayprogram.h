// KESMIR, the keyboard's tray program: keeps the settings file, shows the settings dialog MAIN,
// or hides as the floating toolbar or as the notification icon, and switches our input method on
// in the desktop's fcitx5 while it runs.
#pragma once

#include "inifiles.h"
#include "traysettings.h"

#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>

#include <memory>

class QFileSystemWatcher;

namespace kesmir::tray {

class AboutDialog;
class AutoTextDialog;
class FloatBar;
class MainDialog;

// The notification area as the program needs it; the desktop's is QSystemTrayIcon (desktop.h).
class IconArea : public QObject {
    Q_OBJECT
public:
    virtual bool Show(bool vietnamese) = 0;  // false when the desktop has no notification area
    virtual void Update(bool vietnamese) = 0;
    virtual void Hide() = 0;

signals:
    void activated(QSystemTrayIcon::ActivationReason reason);
};

// "The hooks": our input method switched on in the desktop's input-method framework, and off again.
class Hooks {
public:
    virtual ~Hooks() = default;
    virtual bool Install() = 0;
    virtual void Remove() = 0;
};

struct Options {
    bool startHidden = false;
    bool unloadOnRestore = false;
};
// The program's own path and arguments: a piece equal to "KESMIRH" (started hidden, ends when
// restored) or "TONVORO" (started hidden), with or without ".EXE", in any letter case.
Options OptionsFromCommandLine(const QStringList& arguments);

// The commands of the program's main window, as the keyboard and a second start send them.
enum Command { CloseProgram = 1200, OpenMain = 3001, ModeToggled = 3002, OpenToolbar = 3003, FlipOwnMode = 2024 };

class TrayProgram : public QObject {
    Q_OBJECT
public:
    enum Display { MainShown = 0, ToolbarShown = 1, IconShown = 2 };

    TrayProgram(IniFiles ini, Options options, std::unique_ptr<IconArea> icon, std::unique_ptr<Hooks> hooks,
                QObject* parent = nullptr);
    ~TrayProgram() override;

    // Switches the input method on, reads the settings and shows MAIN (or the icon when started
    // hidden).
    void Start();
    void Run(int command);
    // A second start of the program: what is shown comes to the front (MAIN when only the icon is).
    void BringForward();

    Display display() const { return display_; }
    const Settings& settings() const { return settings_; }
    const Options& options() const { return options_; }
    MainDialog* main() const { return main_.get(); }
    FloatBar* toolbar() const { return toolbar_.get(); }
    IconArea* icon() const { return icon_.get(); }
    bool ended() const { return ended_; }

signals:
    void finished();  // the program has ended: the event loop may stop

private:
    void control(int id);
    template <class Edit>
    void change(Edit edit);
    void reread();
    void taskBar();
    void restoreFromIcon(QSystemTrayIcon::ActivationReason reason);
    void showMain();
    void showToolbar();
    void unload();
    void openHelp();
    void startConverter();
    void flipMode();

    IniFiles ini_;
    Options options_;
    std::unique_ptr<IconArea> icon_;
    std::unique_ptr<Hooks> hooks_;
    Settings settings_;
    Display display_ = MainShown;
    bool ended_ = false;
    std::unique_ptr<MainDialog> main_;
    std::unique_ptr<FloatBar> toolbar_;
    QFileSystemWatcher* watcher_;
};

}  // namespace kesmir::tray
