// korvane: the records office.
#include "app.h"
#include "frmcvden.h"
#include "frmmain.h"
#include "startup.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    korvane::WidgetModalService modal;
    korvane::App app(modal);
    korvane::frmMain main(app);
    app.Openers[QStringLiteral("cmdnapcvden")] = [&main](korvane::App& a) { korvane::frmcvden::Open(a, &main); };
    if (!korvane::Startup(app, main).Run()) return 0;
    // --quit: start, show the main window and leave at once (checks a clean start and exit).
    if (application.arguments().contains(QStringLiteral("--quit"))) QTimer::singleShot(0, &main, &QWidget::close);
    return application.exec();
}
