// KESMIR: the keyboard's tray program.
#include "desktop.h"
#include "pictures.h"

#include <QApplication>

using namespace kesmir::tray;

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
    program.Start();
    return program.ended() ? 0 : application.exec();
}
