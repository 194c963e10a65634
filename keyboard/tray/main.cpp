// KESMIR: the keyboard's tray program.
#include "desktop.h"
#include "pictures.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

using namespace kesmir::tray;

namespace {

// The end of a session (SIGTERM, SIGHUP) or Ctrl+C ends the program as "&Unload" does, so that
// our input method is switched off and the group left as it was found. The handler only writes
// a byte; the event loop does the rest.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

void unloadOnSignals(TrayProgram& program)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &program);
    QObject::connect(notifier, &QSocketNotifier::activated, &program, [&program] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
        program.Run(CloseProgram);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KESMIR"));
    QApplication::setDesktopFileName(QStringLiteral("kesmir"));
    QApplication::setWindowIcon(ProgramIcon());
    // The settings may be hidden while the program goes on as an icon or a toolbar.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.Claim()) return 0;

    TrayProgram program(kesmir::IniFiles(kesmir::IniFiles::DefaultFolder()), OptionsFromCommandLine(QApplication::arguments()),
                        std::make_unique<SystemIconArea>(), std::make_unique<Fcitx5Hooks>());
    QObject::connect(&instance, &SingleInstance::broughtForward, &program, &TrayProgram::BringForward);
    CommandSocket socket;
    socket.Listen();
    QObject::connect(&socket, &CommandSocket::command, &program, &TrayProgram::Run);
    QObject::connect(&program, &TrayProgram::finished, &application, &QApplication::quit, Qt::QueuedConnection);
    unloadOnSignals(program);
    program.Start();
    return program.ended() ? 0 : application.exec();
}
