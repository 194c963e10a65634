#include "frmlich.h"

#include "app.h"
#include "calendarfields.h"
#include "dates.h"
#include "frmgridlich.h"
#include "frmlichtuan.h"
#include "savedrows.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

frmlich::frmlich(App& app, QWidget* mainWindow)
    : RecordForm(app, mainWindow),
      entry_(std::make_unique<CalendarFields>(app, this, Data1, "txtFields", QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!"))),
      txtFields(entry_->id), mngay(entry_->date), mngaychuan(entry_->dateNormal), mthu(entry_->weekday), mgio(entry_->time),
      mgiochuan(entry_->timeKey), mndung(entry_->content), mchutri(entry_->presides), mchuanbi(entry_->prepares), mdiadiem(entry_->place),
      mthanhphan(entry_->participants), mghichu(entry_->note), mngaycapnhat(entry_->savedOn), mngaycapnhatchuan(entry_->savedOnNormal),
      mnguoicapnhat(entry_->savedBy)
{
    setObjectName(QStringLiteral("frmlich"));
    setWindowTitle(QStringLiteral("Lịch làm việc hàng tuần"));
    setAttribute(Qt::WA_DeleteOnClose, false);  // it keeps its place for the next opening
    modes_ = {QStringLiteral("xemlich"), QStringLiteral("naplich"), QStringLiteral("sualich"), QStringLiteral("Xem lịch làm việc hàng tuần"),
              QStringLiteral("Nạp lịch tuần"), QStringLiteral("sửa nội dung lịch làm việc")};
    searchWindow_ = QStringLiteral("frmtracuulich");
    searchRefused_.adding = searchRefused_.correcting = QStringLiteral("Cần bấm nút Ghi Đĩa hoặc ESC để kết thúc việc nạp sửa trước !");
    deleteRefused_.adding = deleteRefused_.correcting = QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !");
    helpTitle_ = QStringLiteral("  Hướng dẫn  ");

    // The weekday fills itself: Tab passes it by, a click into it says so.
    mthu->setFocusPolicy(Qt::ClickFocus);
    savedRows(entry_.get());
    homeField_ = requiredFocus_ = correctFocus_ = notNowFocus_ = mngay;
    lblhuongdan->setText(QStringLiteral("F4 : xoá cả ô  ***  F5 và Shift-F5 ở ô Ngày : tăng giảm ngày\nF6 :chép nội dung trang trước\n"
                                        "PgUp : Về trang trước *** PgDn : đến trang sau"));
    lblhuongdan->setWordWrap(false);

    cmdDelete = button("cmdDelete", QStringLiteral("&Xoá"));
    cmdbang = button("cmdbang", QStringLiteral("&Bảng thứ tự"));
    cmdbang->setToolTip(QStringLiteral("Sắp xếp theo thứ tự ngày, giờ..."));
    cmdGrid = button("cmdGrid", QStringLiteral("&Lịch Tuần"));
    cmdGrid->setToolTip(QStringLiteral("Xem tuần có việc trên..."));
    Cmdtracuu->setToolTip(QStringLiteral("Tìm đến bản ghi theo điều kiện tuỳ ý"));
    viewingOnly_ = {cmdbang, cmdGrid, cmdclose};
    connect(cmdbang, &QPushButton::clicked, this, &frmlich::ShowGrid);
    connect(cmdGrid, &QPushButton::clicked, this, &frmlich::ShowWeek);

    FieldGrid fields(this);
    fields.add(QStringLiteral("Mã số "), txtFields).next();
    fields.add(QStringLiteral("Ngày"), mngay).add(QStringLiteral("Thứ"), mthu, 2).next();
    fields.add(QStringLiteral("Giờ"), mgio).next();
    fields.add(QStringLiteral("Tên hoặc tóm tắt nội dung công việc"), mndung, 0, 3).next();
    fields.add(QStringLiteral("Người chủ trì"), mchutri).add(QStringLiteral("Người chuẩn bị"), mchuanbi, 2).next();
    fields.add(QStringLiteral("Địa điểm"), mdiadiem, 0, 3).next();
    fields.add(QStringLiteral("Thành phần"), mthanhphan, 0, 3).next();
    fields.add(QStringLiteral("Ghi chú"), mghichu, 0, 3);
    auto* column = new QVBoxLayout;
    column->addLayout(fields.layout);
    column->addStretch();
    finishLayout(column, {cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdbang, cmdGrid, Cmdtracuu, cmdclose}, entry_->texts);
    resize(780, 520);
}

frmlich::~frmlich() = default;

frmlich* frmlich::Open(App& app) { return ShowRegister<frmlich>(app, QStringLiteral("frmlich"), app.PlanDb.get(), app.CalendarTable); }

frmlich* frmlich::Find(App& app) { return app.Owner().Find<frmlich>(QStringLiteral("frmlich")); }

// ---- What the calendar adds to the record form ----------------------------------------------

void frmlich::rememberLast(bool hasLast) { entry_->TakeCarryOver(hasLast); }

void frmlich::newRecordDefaults() { mngay->setText(app_.Today().toString(QStringLiteral("dd/MM/yyyy"))); }  // the weekday follows when the box is left

void frmlich::takeCarryOver() { entry_->TakeCarryOver(true); }

// ---- The ways to other windows -------------------------------------------------------------

void frmlich::ShowGrid()
{
    if (editing()) return;
    const qlonglong id = app_.CurrentDocId = CurrentRowId(*Data1);
    handOver(modes_.view, [this, id] { frmGridlich::Instance(app_)->ShowYear(id); });
}

void frmlich::ShowWeek()
{
    if (editing()) return;
    if (mngay->text().trimmed().isEmpty()) {
        app_.Message(QStringLiteral("Công việc này chưa nạp ngày nên không chuyển sang bảng lịch tuần được"));
        mngay->setFocus();
        return;
    }
    // Read day first, as the clerks type it ("01/3/2004" is 1 March).
    const QDate day = QDate::fromString(NormalDate(mngay->text()), QStringLiteral("yyyyMMdd"));
    if (day.isValid()) handOver(modes_.view, [this, day] { frmlichtuan::Instance(app_)->ShowWeek(day); });
}

}  // namespace korvane
