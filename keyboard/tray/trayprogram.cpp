#include "trayprogram.h"

#include "autotext.h"
#include "maindialog.h"
#include "pictures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QUrl>

namespace kesmir::tray {

Options OptionsFromCommandLine(const QStringList& arguments)
{
    Options options;
    if (arguments.isEmpty()) return options;
    // The program's own file name, as it was started: a copy or a link under another name.
    QString name = arguments.first().section(QRegularExpression(QStringLiteral("[/\\\\]")), -1).toUpper();
    if (name.endsWith(QLatin1String(".EXE"))) name.chop(4);
    if (name == QLatin1String("KESMIRH")) options.startHidden = options.unloadOnRestore = true;
    else if (name == QLatin1String("TONVORO")) options.startHidden = true;
    return options;
}

TrayProgram::TrayProgram(IniFiles ini, Options options, std::unique_ptr<IconArea> icon, std::unique_ptr<Hooks> hooks,
                         QObject* parent)
    : QObject(parent), ini_(std::move(ini)), options_(options), icon_(std::move(icon)), hooks_(std::move(hooks)),
      main_(std::make_unique<MainDialog>()), toolbar_(std::make_unique<FloatBar>()), watcher_(new QFileSystemWatcher(this))
{
    connect(main_.get(), &MainDialog::controlClicked, this, &TrayProgram::control);
    connect(main_.get(), &MainDialog::closeRequested, this, &TrayProgram::unload);
    connect(toolbar_.get(), &FloatBar::modePressed, this, [this] { flipMode(); });
    connect(toolbar_.get(), &FloatBar::modeClicked, this, [] { QApplication::beep(); });
    connect(toolbar_.get(), &FloatBar::mainClicked, this, [this] {
        toolbar_->hide();
        Run(OpenMain);
    });
    connect(toolbar_.get(), &FloatBar::converterClicked, this, &TrayProgram::startConverter);
    connect(icon_.get(), &IconArea::activated, this, &TrayProgram::restoreFromIcon);
    // Whoever changes the settings (the toggle key in a program, another copy of the file), what
    // is shown follows.
    QDir().mkpath(QString::fromStdString(ini_.folder()));
    watcher_->addPath(QString::fromStdString(ini_.folder()));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &TrayProgram::reread);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &TrayProgram::reread);
}

TrayProgram::~TrayProgram()
{
    if (!ended_) hooks_->Remove();
}

void TrayProgram::Start()
{
    hooks_->Install();  // a framework that is not there is no reason not to open the settings
    reread();  // the settings, and the watch on their file
    main_->refresh(settings_);
    toolbar_->refresh(settings_);
    if (options_.startHidden) {
        taskBar();
        if (display_ == IconShown) return;
    }
    showMain();
}

void TrayProgram::Run(int command)
{
    switch (command) {
    case CloseProgram:
        unload();
        break;
    case OpenMain:
        showMain();
        break;
    case ModeToggled:
        // The toggle key was pressed in the program the user types in: what is shown follows the
        // mode, and the keys stay where they were (the toolbar is not swapped for MAIN).
        reread();
        break;
    case OpenToolbar:
        showToolbar();
        break;
    case FlipOwnMode:
        QApplication::beep();
        break;
    default:
        break;
    }
}

void TrayProgram::BringForward()
{
    if (display_ == ToolbarShown) showToolbar();
    else showMain();
}

template <class Edit>
void TrayProgram::change(Edit edit)
{
    // The file is what every input context reads: the program's copy changes with it, or not at all.
    Settings next = ReadSettings(ini_);
    edit(next);
    if (WriteSettings(ini_, next)) settings_ = next;
    else QApplication::beep();
    main_->refresh(settings_);
    toolbar_->refresh(settings_);
    icon_->Update(settings_.vietnamese());
}

void TrayProgram::reread()
{
    // The file is watched as well as its folder: an editor that writes it in place changes no
    // entry of the folder. Replacing the file ends the watch on it; it starts again here.
    const QString file = QString::fromStdString(ini_.folder() + "/" + kSettingsFile);
    if (!watcher_->files().contains(file) && QFileInfo::exists(file)) watcher_->addPath(file);
    const Settings now = ReadSettings(ini_);
    if (now == settings_) return;
    settings_ = now;
    main_->refresh(settings_);
    toolbar_->refresh(settings_);
    if (display_ == IconShown) icon_->Update(settings_.vietnamese());
}

void TrayProgram::flipMode()
{
    change([](Settings& s) { s.mode = s.vietnamese() ? -2 : 1; });
}

void TrayProgram::control(int id)
{
    switch (id) {
    case 103:
    case 104:
    case 105:
        QApplication::beep();
        change([id](Settings& s) {
            s.mode = id == 104 ? -2 : 1;
            s.style = id == 105 ? 1 : 0;
        });
        break;
    case 108:
    case 110:
        change([id](Settings& s) { s.code = id == 110 ? 1 : 0; });
        break;
    case 112:
    case 117:
        change([id](Settings& s) { s.numLai = id == 112 ? 1 : 3; });
        break;
    case 109:
        change([](Settings& s) { s.old = Flip(s.old); });
        break;
    case 116:
        change([](Settings& s) { s.fastCorrect = Flip(s.fastCorrect); });
        break;
    case 1011:
        change([](Settings& s) { s.autoUo = Flip(s.autoUo); });
        break;
    case 1009:
        change([](Settings& s) { s.autoText = Flip(s.autoText); });
        break;
    case 107:
        // The settings stay open, out of the way: the desktop gives the keys back to the window
        // the user came from.
        display_ = MainShown;
        main_->showMinimized();
        break;
    case 113:
        display_ = ToolbarShown;
        main_->hide();
        Run(OpenToolbar);
        break;
    case 1000:
        taskBar();
        break;
    case 115:
        unload();
        break;
    case 118:
        openHelp();
        main_->refresh(settings_);
        break;
    case 143: {
        AboutDialog about(main_.get());
        about.exec();
        break;
    }
    case 1010: {
        AutoTextDialog dialog(ini_, main_.get());
        dialog.exec();
        break;
    }
    default:
        break;
    }
}

void TrayProgram::taskBar()
{
    if (!icon_->Show(settings_.vietnamese())) {
        // No notification area on this desktop: the settings stay in sight, and a program started
        // hidden does not try again.
        options_.startHidden = false;
        QApplication::beep();
        return;
    }
    display_ = IconShown;
    main_->hide();
}

void TrayProgram::restoreFromIcon(QSystemTrayIcon::ActivationReason reason)
{
    if (display_ != IconShown) return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        flipMode();
        return;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Context:
        icon_->Hide();
        options_.startHidden = false;
        showMain();
        if (options_.unloadOnRestore) unload();
        return;
    default:
        return;
    }
}

void TrayProgram::showMain()
{
    if (ended_) return;
    if (display_ == IconShown) icon_->Hide();
    display_ = MainShown;
    main_->refresh(settings_);
    if (!main_->isVisible()) {
        main_->adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            main_->move(screen->availableGeometry().center() - main_->rect().center());
    }
    main_->showNormal();
    main_->raise();
    main_->activateWindow();
    main_->control(1000)->setFocus();
}

void TrayProgram::showToolbar()
{
    if (ended_) return;
    if (display_ == IconShown) icon_->Hide();
    display_ = ToolbarShown;
    main_->hide();
    toolbar_->refresh(settings_);
    // Near the top left corner on X11. A Wayland compositor places its windows itself: there the
    // toolbar appears where the compositor puts it, and stays above the others only if the
    // compositor honours that wish (QT_QPA_PLATFORM=xcb keeps the X11 behaviour under XWayland).
    toolbar_->move(24, 0);
    toolbar_->show();
    toolbar_->raise();
}

void TrayProgram::unload()
{
    if (ended_) return;
    ended_ = true;
    display_ = MainShown;
    icon_->Hide();
    toolbar_->hide();
    main_->hide();
    hooks_->Remove();
    emit finished();
}

void TrayProgram::openHelp()
{
    // Beside the program in the build, in the shared folder of an installed one.
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& path : {folder + QStringLiteral("/kesmir.html"), folder + QStringLiteral("/../share/kesmir/kesmir.html")}) {
        if (QFileInfo::exists(path)) {
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath()))) QApplication::beep();
            return;
        }
    }
    QApplication::beep();
}

void TrayProgram::startConverter()
{
    if (!QProcess::startDetached(QStringLiteral("tr-convr"), {})) QApplication::beep();
}

}  // namespace kesmir::tray
