#include "app.h"

#include "frmtbao.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QStandardPaths>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QUrl>

#include <cstdlib>

namespace korvane {

App::App(ModalService& modal) : modal_(modal)
{
    LogonName = [] {
        for (const char* var : {"USER", "LOGNAME", "USERNAME"})
            if (const char* v = std::getenv(var); v && *v) return QString::fromLocal8Bit(v).left(255);
        return QString();
    };
}

App::~App()
{
    // The windows kept hidden go before the data they show.
    owner_.EndAll();
    CloseData();
}

QString App::Message(const QString& text, const QString& mode)
{
    MsgText = text;
    MsgMode = mode;
    MsgResult.clear();
    modal_.message(*this);
    return MsgResult;
}

void App::RecordFailure(int number, const QString& description)
{
    LastErrorNumber = number;
    LastErrorDescription = description;
}

void App::SetYearTables()
{
    PlanTable = QStringLiteral("kehoach") + WorkYear;
    CalendarTable = QStringLiteral("lich") + WorkYear;
    InDocTable = QStringLiteral("cvden") + WorkYear;
    OutDocTable = QStringLiteral("cvdi") + WorkYear;
}

bool App::WriteSettings() const
{
    return WriteSysmem(DataFile(QStringLiteral("sysmem")), {PlanFile, DocFile, BackupFile, WorkYear});
}

void App::CloseData()
{
    AbbreviationList.reset();
    UnitList.reset();
    SenderList.reset();
    DocTypeList.reset();
    for (auto* db : {&TempDb, &LocalRefDb, &DocDb, &DocRefDb, &PlanDb, &PlanRefDb}) db->reset();
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

// ---- The real modal service ------------------------------------------------------------------

void WidgetModalService::message(App& app)
{
    frmtbao dialog(app);
    QApplication::setOverrideCursor(Qt::ArrowCursor);  // the normal pointer while the user reads
    dialog.exec();
    QApplication::restoreOverrideCursor();
}

std::unique_ptr<QWidget> WidgetModalService::notice(App& app)
{
    auto dialog = std::make_unique<frmtbao>(app);
    dialog->show();
    dialog->repaint();
    QApplication::processEvents();
    return dialog;
}

void WidgetModalService::systemMessage(const QString& title, const QString& text)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);  // the normal pointer while the user reads
    QMessageBox::information(QApplication::activeWindow(), title, text);
    QApplication::restoreOverrideCursor();
}

bool InstallQtTranslation()
{
    static QTranslator* installed = nullptr;
    if (installed) return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/i18n/qtbase_vi.qm")) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

// The file dialogs are the desktop's own where it offers one (Qt picks it unless told not to):
// the clerk sees the dialog, language and places of every other program there.
QString WidgetModalService::openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString WidgetModalService::saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getSaveFileName(parent, caption, QDir(folder).filePath(suggested), filter);
}

int WidgetModalService::runModal(QDialog& dialog) { return dialog.exec(); }

bool WidgetModalService::openDocument(const QString& path)
{
    return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ReportTarget WidgetModalService::reportDestination()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Thông báo"), QStringLiteral("Có muốn xem trước khi in không ?"),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* preview = box.addButton(QStringLiteral("&Có"), QMessageBox::AcceptRole);
    QPushButton* printer = box.addButton(QStringLiteral("&Không"), QMessageBox::AcceptRole);
    QPushButton* pdf = box.addButton(QStringLiteral("Lưu P&DF"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("&Thôi"), QMessageBox::RejectRole);
    box.setDefaultButton(preview);
    box.exec();
    if (box.clickedButton() == preview) return ReportTarget::Preview;
    if (box.clickedButton() == printer) return ReportTarget::Printer;
    if (box.clickedButton() == pdf) return ReportTarget::Pdf;
    return ReportTarget::Cancel;
}

}  // namespace korvane
