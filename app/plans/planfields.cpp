#include "planfields.h"

#include "abbreviation.h"
#include "app.h"
#include "dates.h"
#include "savedrows.h"
#include "keys.h"

#include <QApplication>

namespace korvane {

namespace {

const QString kBadDate = QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !");
const QString kNotYours = QStringLiteral("Công việc này vừa được người khác sửa, bạn không được sửa, xoá công việc này !");

}  // namespace

const QStringList& PlanFields::TextColumns()
{
    static const QStringList columns = {QStringLiteral("Tendonvi"), QStringLiteral("bophan"),      QStringLiteral("loai"),
                                        QStringLiteral("ndungtt"),  QStringLiteral("ndungct"),     QStringLiteral("Tgianbdau"),
                                        QStringLiteral("Tgiankthuc"), QStringLiteral("nguoichidao"), QStringLiteral("chidao"),
                                        QStringLiteral("canbo"),    QStringLiteral("ketqua")};
    return columns;
}

PlanFields::PlanFields(App& app, QWidget* owner, DataSource* source, const Names& names) : app_(app), owner_(owner), source_(source)
{
    auto line = [this](const char* name, const char* column, int limit) {
        auto* box = new BoundLineEdit(QLatin1String(column), owner_);
        box->setObjectName(QLatin1String(name));
        box->limit = limit;
        box->installEventFilter(owner_);
        source_->Bind(box);
        return box;
    };
    auto text = [this](const char* name, const char* column, int height) {
        auto* box = new BoundTextEdit(QLatin1String(column), owner_);
        box->setObjectName(QLatin1String(name));
        box->setFixedHeight(height);
        box->setTabChangesFocus(true);
        box->installEventFilter(owner_);
        source_->Bind(box);
        return box;
    };
    auto check = [this](const char* name, const char* column, const QString& caption) {
        auto* box = new BoundCheckBox(QLatin1String(column), caption, owner_);
        box->setObjectName(QLatin1String(name));
        box->installEventFilter(owner_);
        source_->Bind(box);
        return box;
    };
    auto list = [this](const char* name, const char* shown, const char* bound) {
        auto* l = new DBCombo(owner_);
        l->setObjectName(QLatin1String(name));
        l->ListField = QLatin1String(shown);
        l->BoundColumn = QLatin1String(bound);
        l->setFocusPolicy(Qt::ClickFocus);
        l->setMaximumWidth(28);  // only its arrow shows, beside the box it fills
        return l;
    };

    id = line("txtid", "ID", 0);
    id->setReadOnly(true);
    id->setFocusPolicy(Qt::NoFocus);
    unit = line(names.unit, "Tendonvi", 100);
    department = line(names.department, "bophan", 100);
    type = line("txtloai", "loai", 50);
    summary = line("txtndungtt", "ndungtt", 255);
    detail = text("txtndungct", "ndungct", 90);
    start = line("Txttgianbdau", "Tgianbdau", 10);
    startNormal = line("txttgianbdauchuan", "Tgianbdauchuan", 8);
    end = line("Txttgiankthuc", "Tgiankthuc", 10);
    endNormal = line("txttgiankthucchuan", "Tgiankthucchuan", 8);
    director = line(names.director, "nguoichidao", 100);
    direction = line(names.direction, "chidao", 255);
    officers = line("txtcanbo", "canbo", 255);
    result = text("txtketqua", "ketqua", 60);
    urgent = check(names.urgent, "khan", names.urgentCaption);
    finished = check(names.finished, "ketthuc", names.finishedCaption);
    savedOn = line("mngaycapnhat", "ngaycapnhat", 10);
    savedOnNormal = line("mngaycapnhatchuan", "ngaycapnhatchuan", 8);
    savedBy = line("mnguoicapnhat", "nguoicapnhat", 100);
    for (QWidget* hidden : std::initializer_list<QWidget*>{startNormal, endNormal, savedOn, savedOnNormal, savedBy}) hidden->hide();
    texts = {unit, department, type, summary, detail, start, end, director, direction, officers, result};

    unitList = list("DBCombodonvi", "tendonvi", "id");
    departmentList = list("DBCombophong", "phong", "id");
    typeList = list("DBComboloai", "loai", "");
}

void PlanFields::dataError(const QString& description) const
{
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    app_.modal().systemMessage(owner_->windowTitle(), QStringLiteral("Data error event hit err:") + description);
}

void PlanFields::OpenLists(const QString& table)
{
    try {
        units_ = app_.PlanRefDb->OpenRecordset(QStringLiteral("SELECT * FROM donvi ORDER BY matt"), engine::RecordsetType::Snapshot);
        departments_ = app_.PlanRefDb->OpenRecordset(QStringLiteral("SELECT * FROM bophan ORDER BY matt"), engine::RecordsetType::Snapshot);
        unitList->Fill(*units_);
        departmentList->Fill(*departments_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        dataError(e.description());
    }
    ReadTypes(table);
}

void PlanFields::ReadTypes(const QString& table)
{
    if (table.isEmpty()) return;
    try {
        types_ = app_.PlanDb->OpenRecordset(QStringLiteral("select distinct loai from ") + table + QStringLiteral(" order by loai"),
                                            engine::RecordsetType::Snapshot);
        typeList->Fill(*types_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        typeList->clear();
    }
}

qlonglong PlanFields::CurrentId() const { return CurrentRowId(*source_); }

bool PlanFields::MayChangeCurrent() const { return MayChangeCurrentRow(app_, *source_); }

// ---- Dates ---------------------------------------------------------------------------------

bool PlanFields::CheckStart()
{
    QString text = start->text().trimmed();
    if (text.isEmpty() || start->isReadOnly()) return true;
    const QString date = CheckDateText(text, app_.Months, app_.Today().year());
    if (!date.isEmpty()) {
        if (start->text() != date) start->setText(date);
        startNormal->setText(NormalDate(date));
        return true;
    }
    checking_ = true;
    app_.Message(kBadDate);
    start->clear();
    start->setFocus();
    checking_ = false;
    return false;
}

bool PlanFields::CheckEnd()
{
    QString text = end->text().trimmed();
    if (text.isEmpty() || end->isReadOnly()) return true;
    const QString date = CheckDateText(text, app_.Months, app_.Today().year());
    checking_ = true;
    if (date.isEmpty()) {
        app_.Message(kBadDate);
        end->clear();
        end->setFocus();
        checking_ = false;
        return false;
    }
    QString startText = start->text().trimmed();
    const QString from = startText.isEmpty() ? QString() : CheckDateText(startText, app_.Months, app_.Today().year());
    if (!from.isEmpty() && NormalDate(date) < NormalDate(from)) {
        app_.Message(QStringLiteral("Thời gian kết thúc không thể đặt trước thời gian bắt đầu!") + QLatin1Char('\r') +
                     QStringLiteral("Cần nạp lại con số thời gian kết thúc!"));
        end->setFocus();
        checking_ = false;
        return false;
    }
    checking_ = false;
    if (end->text() != date) end->setText(date);
    endNormal->setText(NormalDate(date));
    return true;
}

// ---- Save and delete -----------------------------------------------------------------------

bool PlanFields::Changed() const
{
    // A tick of "khẩn" or "hoàn thành" alone is a change worth saving too.
    return source_->AnyChanged(TextColumns() + QStringList{QStringLiteral("khan"), QStringLiteral("ketthuc")});
}

bool PlanFields::RequiredFilled()
{
    QStringList missing;
    const QList<QPair<QLineEdit*, QString>> required = {{unit, QStringLiteral("Ban")},
                                                         {summary, QStringLiteral("tên hay tóm tắt nội dung công việc")},
                                                         {start, QStringLiteral("thời gian bắt đầu")},
                                                         {end, QStringLiteral("thời gian kết thúc")}};
    for (const auto& [box, name] : required)
        if (box->text().trimmed().isEmpty()) missing.append(name);
    if (missing.isEmpty()) return true;
    app_.Message(QStringLiteral("Cần phải điền đủ nội dung các ô :") + QLatin1Char('\r') + missing.join(QStringLiteral(", ")));
    summary->setFocus();
    return false;
}

bool PlanFields::Write(const QString& table)
{
    startNormal->setText(NormalDate(start->text()));
    endNormal->setText(NormalDate(end->text()));
    if (WriteStampedRow(app_, *source_, table, {savedOn, savedOnNormal, savedBy}, kNotYours)) return true;
    summary->setFocus();
    return false;
}

bool PlanFields::DeleteCurrent(const QString& table) { return DeleteCheckedRow(app_, *source_, table, kNotYours); }

// ---- Keys ----------------------------------------------------------------------------------

bool PlanFields::KeyReleased(QWidget* field, int code, bool) { return code != KeyF1 + 5 && KeyReleased(field, code); }

bool PlanFields::FieldLeft(QWidget* field)
{
    if (field == start) return CheckStart();
    if (field == end) return CheckEnd();
    if (field == officers || field == director || field == result || field == detail || field == summary || field == direction)
        KeyReleased(field, KeyLeave);
    return true;
}

bool PlanFields::KeyReleased(QWidget* field, int code)
{
    if (code == KeyF1 + 3) {  // F4 empties the box
        if (auto* box = qobject_cast<QLineEdit*>(field); box && !box->isReadOnly()) box->clear();
        else if (auto* t = qobject_cast<QPlainTextEdit*>(field); t && !t->isReadOnly()) t->clear();
        return true;
    }
    if (code == KeyF1 + 4) {  // F5 writes today into a date box
        if (field == start || field == end) static_cast<QLineEdit*>(field)->setText(DisplayDate(app_.Today(), app_.Months));
        return true;
    }
    if (field == officers || field == director || field == result || field == detail || field == summary || field == direction) {
        if (app_.AbbreviationList) ExpandAbbreviation(field, code, *app_.AbbreviationList, QStringLiteral("chudu"));
        return true;
    }
    if (field == unit) {
        if (units_) ExpandAbbreviation(field, code, *units_, QStringLiteral("Tendonvi"));
        return true;
    }
    return false;
}

}  // namespace korvane
