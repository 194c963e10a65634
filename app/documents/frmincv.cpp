#include "frmincv.h"

#include "app.h"
#include "dates.h"
#include "formkit.h"
#include "jetsql.h"
#include "keys.h"
#include "printing.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kFromMessage = QStringLiteral(" Bạn cần nạp lại ngày tháng năm cho đúng! ");
const QString kToMessage = QStringLiteral(" Bạn cần nạp lại ngày tháng năm cho đúng!  ");

}  // namespace

frmincv::frmincv(App& app, QWidget* parent) : QDialog(parent), app_(app)
{
    setObjectName(QStringLiteral("frmincv"));
    setWindowTitle(QStringLiteral("In công văn"));
    caller_ = app_.MsgText;
    incoming_ = caller_ == QLatin1String("frmgridcvden") || caller_ == QLatin1String("frmcvden");

    Label1 = new QLabel(QStringLiteral("Chọn ngày in công văn"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    Label1->setFont(f);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setText(Label1->text() + QLatin1Char(' ') + (incoming_ ? QStringLiteral("đến") : QStringLiteral("đi")));
    auto box = [this](const char* name, const QString& text) {
        auto* b = new QLineEdit(text, this);
        b->setObjectName(QLatin1String(name));
        b->setMaxLength(10);
        b->installEventFilter(this);
        return b;
    };
    mngay1 = box("mngay1", QString());
    mngay2 = box("mngay2", QString());
    txtle = box("txtle", QStringLiteral("10"));
    txtle->setMaxLength(5);
    txtle->setMaximumWidth(60);
    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdOK = button("cmdOK", QStringLiteral("&In ngay"));
    cmdxemin = button("cmdxemin", QStringLiteral("&Xem trước khi in"));
    cmdpdf = button("cmdpdf", QStringLiteral("Lưu P&DF"));
    cmdCancel = button("cmdCancel", QStringLiteral("&Không in"));

    auto* grid = new QGridLayout;
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("&Từ ngày"), mngay1), 0, 0);
    grid->addWidget(mngay1, 0, 1);
    grid->addWidget(label(QStringLiteral("Đến n&gày"), mngay2), 1, 0);
    grid->addWidget(mngay2, 1, 1);
    grid->addWidget(label(QStringLiteral("Đặt lề : "), txtle), 2, 0);
    auto* margin = new QHBoxLayout;
    margin->addWidget(txtle);
    margin->addWidget(new QLabel(QStringLiteral("mm"), this));
    margin->addStretch();
    grid->addLayout(margin, 2, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdOK, cmdxemin, cmdpdf, cmdCancel}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    auto* help = new QLabel(QStringLiteral("F4 : xoá cả ô      F5 : ngày hôm nay"), this);
    help->setEnabled(false);
    layout->addWidget(help);
    setTabOrder(mngay1, mngay2);
    setTabOrder(mngay2, txtle);
    setTabOrder(txtle, cmdOK);
    setTabOrder(cmdOK, cmdxemin);
    setTabOrder(cmdxemin, cmdpdf);
    setTabOrder(cmdpdf, cmdCancel);
    for (QPushButton* b : {cmdOK, cmdxemin, cmdpdf, cmdCancel}) b->installEventFilter(this);

    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdxemin, &QPushButton::clicked, this, [this] {
        destination_ = QStringLiteral("window");
        print(ReportTarget::Preview);
    });
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        print(destination_ == QLatin1String("window") ? ReportTarget::Preview : ReportTarget::Printer);
    });
    connect(cmdpdf, &QPushButton::clicked, this, [this] { print(ReportTarget::Pdf); });
    setMinimumWidth(420);
}

void frmincv::Show(App& app, const QString& caller, const QString& dateText)
{
    // One print window at a time.
    if (auto* open = app.Owner().Find<frmincv>(QStringLiteral("frmincv")); open && open->isVisible()) open->reject();
    app.MsgText = caller;
    app.Owner().RunModal(QStringLiteral("frmincv"), [&](QDialog& dialog) {
        QString date = dateText;
        static_cast<frmincv&>(dialog).mngay1->setText(CheckDateText(date, app.Months, app.Today().year()));
    });
}

bool frmincv::checkDate(QLineEdit* box)
{
    QString text = box->text().trimmed();
    if (text.isEmpty()) return true;
    const QString date = CheckDateText(text, app_.Months, app_.Today().year());
    if (!date.isEmpty()) {
        if (box->text() != date) box->setText(date);
        return true;
    }
    checking_ = true;
    app_.Message(box == mngay1 ? kFromMessage : kToMessage);
    box->setFocus();
    checking_ = false;
    return false;
}

bool frmincv::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::KeyRelease) {
        const int code = KeyCodeOf(static_cast<QKeyEvent*>(event));
        if (code == KeyF1 + 3) box->clear();
        if (code == KeyF1 + 4) box->setText(DisplayDate(app_.Today(), app_.Months));
    } else if ((box == mngay1 || box == mngay2) && event->type() == QEvent::FocusOut && !checking_) {
        // Going to "Không in" gives up without a word.
        if (QApplication::focusWidget() != cmdCancel) checkDate(box);
    }
    return QDialog::eventFilter(watched, event);
}

void frmincv::print(ReportTarget target)
{
    // A button pressed with its Alt key leaves the focus in a date box: the dates are checked here too.
    if (!checkDate(mngay1) || !checkDate(mngay2)) return;
    if (mngay1->text().trimmed().isEmpty()) {
        app_.Message(QStringLiteral("Phải nạp ngày định in vào ô 'Từ ngày'"));
        mngay1->setFocus();
        return;
    }
    if (mngay2->text().trimmed().isEmpty()) mngay2->setText(mngay1->text());
    const QString from = NormalDate(mngay1->text()), to = NormalDate(mngay2->text());
    const QString table = incoming_ ? app_.InDocTable : app_.OutDocTable;
    const QString column = incoming_ ? QStringLiteral("[ng_denchuan]") : QStringLiteral("[ng_cvchuan]");
    const QString printTable = incoming_ ? QStringLiteral("incvden") : QStringLiteral("incvdi");
    const QString period = QStringLiteral(" where %1>= '%2' and %1<= '%3'").arg(column, engine::escapeQuotes(from), engine::escapeQuotes(to));
    long rows = 0;
    try {
        BusyCursor busy;
        auto count = app_.DocDb->OpenRecordset(QStringLiteral("Select count(*) AS n from ") + table + period, engine::RecordsetType::Snapshot);
        rows = count->Field(QStringLiteral("n")).toLongLong();
        if (rows > 0) {
            app_.TempDb->Execute(QStringLiteral("DELETE * FROM ") + printTable + QStringLiteral(" ;"));
            app_.TempDb->Execute(QStringLiteral(" INSERT INTO ") + printTable + QStringLiteral(" Select * from ") + table +
                                 (incoming_ ? QStringLiteral(" In '") : QStringLiteral(" IN '")) + engine::escapeQuotes(app_.DocFile) +
                                 QLatin1Char('\'') + period + QStringLiteral(" order by [id]"));
            auto printed = app_.TempDb->OpenRecordset(QStringLiteral("Select count(*) AS n from ") + printTable, engine::RecordsetType::Snapshot);
            rows = printed->Field(QStringLiteral("n")).toLongLong();
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return;
    }
    if (rows == 0) {
        hide();
        app_.Message(QStringLiteral("Không tìm thấy công văn nào trong khoảng thời gian này!"));
        return;
    }
    const QString subtitle = mngay1->text() != mngay2->text()
                                 ? QStringLiteral("(Từ ngày ") + mngay1->text() + QStringLiteral(" đến ") + mngay2->text() + QLatin1Char(')')
                                 : QStringLiteral("(Ngày ") + mngay1->text() + QLatin1Char(')');
    const QString templateName = incoming_ ? QStringLiteral("brcvden.rpt") : QStringLiteral("brcvdi.rpt");
    if (!QFileInfo::exists(TemplatePath(app_, templateName))) {
        app_.Message(QStringLiteral("Không tìm thấy file report (brcvden.rpt,brcvdi.rpt). ") + QStringLiteral("\r\n\r\n") +
                     QStringLiteral("Cần copy các file này từ đĩa gốc vào thư mục ") + QFileInfo(TemplatePath(app_, templateName)).absolutePath() +
                     QLatin1Char('.'));
        return;
    }
    QString pdf;
    if (target == ReportTarget::Pdf) {
        pdf = app_.modal().saveFileName(this, QStringLiteral("Lưu bản in"), QStringLiteral("congvan.pdf"), QStringLiteral("PDF (*.pdf)"));
        if (pdf.isEmpty()) return;
    }
    PrintJob job;
    job.templateName = templateName;
    job.subtitle = subtitle;
    job.marginText = txtle->text();
    // The preview is placed from the window behind this small one (the register or the list).
    job.window = parentWidget() ? parentWidget()->window() : this;
    job.target = target;
    job.pdfFile = pdf;
    job.organisation = app_.DocRefDb.get();
    RunPrintJob(app_, job);
}

}  // namespace korvane
