// korvane: the records office.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QMainWindow window;
    window.setObjectName(QStringLiteral("frmMain"));
    window.setWindowTitle(QStringLiteral("Korvane - Quản lý công văn, kế hoạch và lịch công tác"));
    window.resize(800, 560);
    window.show();
    // --quit: start, show the window and leave at once (used to check a clean start and exit).
    if (app.arguments().contains(QStringLiteral("--quit"))) QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
