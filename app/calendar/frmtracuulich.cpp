#include "frmtracuulich.h"

#include "app.h"
#include "conditions.h"
#include "frmgridlich.h"
#include "frmlich.h"
#include "keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <optional>

namespace korvane {

namespace {

const QString kFromMain = QStringLiteral("tracuulich");  // opened from the main window

}  // namespace

frmtracuulich::frmtracuulich(App& app) : YearSearch(app, QStringLiteral("lich"), &App::CalendarTable)
{
    setObjectName(QStringLiteral("frmtracuulich"));
    setWindowTitle(QStringLiteral("Tra cứu lịch làm việc"));
    mgio = box("mgio", 50);
    mngay1 = box("mngay1", 10);
    mngay2 = box("mngay2", 10);
    mndung = box("mndung", 255);
    mthu = box("mthu", 50);
    mchutri = box("mchutri", 200);
    mchuanbi = box("mchuanbi", 200);
    mdiadiem = box("mdiadiem", 200);
    mthanhphan = box("mthanhphan", 255);
    mghichu = box("mghichu", 255);
    abbreviated_ = {mchuanbi, mchutri, mdiadiem, mndung};
    lblhuongdan->setText(QStringLiteral("Hướng dẫn:   F4 : xoá cả ô     F5 và Shift-F5:tăng giảm ô ngày ") + ConditionSignsHelp());
    layOut(QStringLiteral("Tra cứu thông tin về lịch làm việc hàng tuần"),
           {{QStringLiteral("Mã số công việc"), txtid},
            {QStringLiteral("Từ ngày : "), period(mngay1, mngay2, QStringLiteral("đến ngày"))},
            {QStringLiteral("Thứ"), mthu},
            {QStringLiteral("Giờ "), mgio},
            {QStringLiteral("Công việc"), mndung},
            {QStringLiteral("Người chủ trì"), mchutri},
            {QStringLiteral("Người chuẩn bị"), mchuanbi},
            {QStringLiteral("Địa điểm"), mdiadiem},
            {QStringLiteral("Thành phần"), mthanhphan},
            {QStringLiteral("Ghi chú"), mghichu}});
    resize(620, 560);
}

frmtracuulich::~frmtracuulich() = default;

frmtracuulich* frmtracuulich::Instance(App& app) { return app.Owner().Get<frmtracuulich>(QStringLiteral("frmtracuulich")); }

// ---- The search ----------------------------------------------------------------------------

bool frmtracuulich::Search()
{
    const QString table = searchedTable();
    if (table.isEmpty()) return false;
    // What leaving a box does is done again: a button pressed with its Alt key leaves the focus
    // where it was.
    if (auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget()); focused && abbreviated_.contains(focused))
        expand(focused, KeyLeave);
    if (!checkConditions()) return false;

    QString clause, validity;
    int count = 0;
    NumberCondition(txtid->text(), QStringLiteral("[id]"), clause, count, validity);
    TextCondition(mgio->text(), QStringLiteral("[gio]"), clause, count);
    DateRangeCondition(mngay1->text().trimmed(), mngay2->text().trimmed(), QStringLiteral("[ngaychuan]"), clause, count);
    const QList<QPair<QLineEdit*, const char*>> texts = {{mndung, "[ndung]"},     {mthu, "[thu]"},           {mchutri, "[nguoictri]"},
                                                         {mchuanbi, "[nguoicbi]"}, {mdiadiem, "[diadiem]"},   {mthanhphan, "[thanhphan]"},
                                                         {mghichu, "[ghichu]"}};
    for (const auto& [b, field] : texts) TextCondition(b->text(), QLatin1String(field), clause, count, chkkhongdau->isChecked());
    // Entries of one day come in the order of their times, as in the year's grid.
    const QString statement = clause.isEmpty()
                                  ? QStringLiteral("select * from [") + table + QStringLiteral("] order by [ngaychuan], [giochuan]")
                                  : QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + clause +
                                        QStringLiteral(" order by [ngaychuan], [giochuan]");

    std::optional<BusyCursor> busy;
    busy.emplace();
    try {
        // The statement is tried first: a condition the engine refuses leaves the grid as it was.
        app_.PlanDb->OpenRecordset(statement, engine::RecordsetType::Dynaset);
        app_.SearchClause = clause;
        app_.SearchTable = table;
        frmGridlich::Instance(app_)->ShowFound(statement, table, clause);
    } catch (const engine::DbError& e) {
        busy.reset();
        sayFailure(e);
        return false;
    }
    busy.reset();
    hide();
    return true;
}

bool frmtracuulich::backToRegister()
{
    frmlich* reg = app_.FormMode != kFromMain ? frmlich::Find(app_) : nullptr;
    if (!reg) return false;
    try {
        reg->ComeBack(app_.CurrentDocId);
    } catch (const engine::DbError& e) {
        sayFailure(e);
    }
    return true;
}

// ---- Keys and boxes ------------------------------------------------------------------------

void frmtracuulich::keyReleased(QLineEdit* b, int code, const QKeyEvent* event)
{
    // F5 / Shift+F5 in a date box: today, or a day on or back.
    if (code == KeyF1 + 4 && (b == mngay1 || b == mngay2)) StepDateBox(app_, b, (event->modifiers() & Qt::ShiftModifier) ? -1 : 1);
    else YearSearch::keyReleased(b, code, event);
}

void frmtracuulich::fieldLeft(QLineEdit* b, Qt::FocusReason reason)
{
    // A box is left when the clerk moves on, not when a message or another window comes up.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    YearSearch::fieldLeft(b, reason);
    if (abbreviated_.contains(b)) expand(b, KeyLeave);
}

}  // namespace korvane
