#include "calendarfields.h"

#include "abbreviation.h"
#include "app.h"
#include "dates.h"
#include "keys.h"
#include "savedrows.h"

#include <QApplication>

namespace korvane {

namespace {

const QString kNotYours = QStringLiteral("Lịch này vừa được người khác sửa, bạn không được sửa, xoá lịch này !");

// The columns whose change makes an entry worth saving: every one typed into (a note or the
// participants changed alone are saved too, never dropped), and the nine that carry over to F6.
const QStringList kChangeColumns = {QStringLiteral("nguoicbi"), QStringLiteral("nguoictri"), QStringLiteral("diadiem"),
                                    QStringLiteral("gio"),      QStringLiteral("ndung"),     QStringLiteral("ngay"),
                                    QStringLiteral("thanhphan"), QStringLiteral("ghichu")};
const QStringList kCarryColumns = {QStringLiteral("nguoicbi"), QStringLiteral("nguoictri"), QStringLiteral("diadiem"),
                                   QStringLiteral("gio"),      QStringLiteral("ndung"),     QStringLiteral("ngay"),
                                   QStringLiteral("thu"),      QStringLiteral("thanhphan"), QStringLiteral("ghichu")};

}  // namespace

QString TimeSortKey(const QString& typed)
{
    const QString t = typed.trimmed();
    // "8h30", "9g30", "9:30", "8H30", "8 h30": one digit, then anything but a digit (blanks after
    // the hour dropped, so that "8 h30" sorts as "08h30").
    if (t.size() >= 2 && t[0].isDigit() && !t[1].isDigit()) return QLatin1Char('0') + t[0] + t.mid(1).trimmed();
    if (t.size() == 1 && t[0].isDigit()) return QLatin1Char('0') + t;
    return typed;
}

CalendarFields::CalendarFields(App& app, QWidget* owner, DataSource* source, const char* idName, QString dateMessage)
    : app_(app), source_(source), dateMessage_(std::move(dateMessage))
{
    auto line = [owner, source](const char* name, const char* column, int limit) {
        auto* box = new BoundLineEdit(QLatin1String(column), owner);
        box->setObjectName(QLatin1String(name));
        box->limit = limit;
        box->installEventFilter(owner);
        source->Bind(box);
        return box;
    };
    id = line(idName, "ID", 0);
    id->setReadOnly(true);
    id->setFocusPolicy(Qt::NoFocus);
    date = line("mngay", "ngay", 10);
    dateNormal = line("mngaychuan", "ngaychuan", 8);
    weekday = line("mthu", "thu", 10);
    weekday->setReadOnly(true);
    time = line("mgio", "gio", 10);
    timeKey = line("mgiochuan", "giochuan", 10);
    content = line("mndung", "ndung", 255);
    presides = line("mchutri", "nguoictri", 100);
    prepares = line("mchuanbi", "nguoicbi", 100);
    place = line("mdiadiem", "diadiem", 100);
    participants = line("mthanhphan", "thanhphan", 255);
    note = line("mghichu", "ghichu", 255);
    savedOn = line("mngaycapnhat", "ngaycapnhat", 10);
    savedOnNormal = line("mngaycapnhatchuan", "ngaycapnhatchuan", 8);
    savedBy = line("mnguoicapnhat", "nguoicapnhat", 100);
    for (QWidget* hidden : std::initializer_list<QWidget*>{dateNormal, timeKey, savedOn, savedOnNormal, savedBy}) hidden->hide();
    texts = {date, time, content, presides, prepares, place, participants, note};
}

qlonglong CalendarFields::CurrentId() const { return CurrentRowId(*source_); }

bool CalendarFields::MayChangeCurrent() const { return MayChangeCurrentRow(app_, *source_); }

void CalendarFields::TakeCarryOver(bool fromRow)
{
    for (const QString& c : kCarryColumns) carry_[c] = fromRow ? source_->Value(c).toString() : QString();
}

// ---- Date and time -------------------------------------------------------------------------

bool CalendarFields::CheckDate()
{
    QString text = date->text().trimmed();
    if (text.isEmpty() || date->isReadOnly()) return true;
    const QString checked = CheckDateText(text, app_.Months, app_.Today().year());
    if (!checked.isEmpty()) {
        if (date->text() != checked) date->setText(checked);
        const QString normal = NormalDate(checked);
        weekday->setText(WeekdayName(WeekdayNumber(QDate::fromString(normal, QStringLiteral("yyyyMMdd")))));
        dateNormal->setText(normal);
        return true;
    }
    checking_ = true;
    app_.Message(dateMessage_);
    date->clear();
    date->setFocus();
    checking_ = false;
    return false;
}

void CalendarFields::SetTimeKey() { timeKey->setText(TimeSortKey(time->text())); }

// F5 and Shift+F5: the day number (the first two characters) one up or down, kept only when the
// result is a date.
static void StepDay(QLineEdit* box, int delta, const App& app)
{
    const QString text = box->text().trimmed();
    bool ok = false;
    const int day = text.left(2).toInt(&ok);
    if (!ok) return;
    QString stepped = QStringLiteral("%1").arg(day + delta, 2, 10, QLatin1Char('0')) + text.mid(2);
    const QString checked = CheckDateText(stepped, app.Months, app.Today().year());
    if (!checked.isEmpty()) box->setText(checked);
}

bool CalendarFields::KeyReleased(QWidget* field, int code, bool shift)
{
    if (code == KeyF1 + 3) {  // F4 empties the box
        if (auto* box = qobject_cast<QLineEdit*>(field); box && !box->isReadOnly()) box->clear();
        return true;
    }
    if (code == KeyF1 + 4) {  // F5 / Shift+F5 in the date box: today, or the next or previous day
        if (field != date) return true;
        if (date->text().trimmed().isEmpty()) {
            if (!shift) date->setText(DisplayDate(app_.Today(), app_.Months));
        } else {
            StepDay(date, shift ? -1 : 1, app_);
        }
        CheckDate();
        return true;
    }
    if (code == KeyF1 + 5) {  // F6: the carry-over value
        auto* bound = dynamic_cast<BoundField*>(field);
        if (!bound || !texts.contains(field)) return true;
        static_cast<QLineEdit*>(field)->setText(carry_[bound->DataField]);
        if (field == time) SetTimeKey();
        if (field == date) CheckDate();
        return true;
    }
    if (field == prepares || field == presides || field == place || field == content) {
        if (app_.AbbreviationList) ExpandAbbreviation(field, code, *app_.AbbreviationList, QStringLiteral("chudu"));
        return true;
    }
    return false;
}

bool CalendarFields::FieldLeft(QWidget* field)
{
    if (checking_) return true;
    if (field == date) return CheckDate();
    if (field == time) SetTimeKey();
    else if (field == prepares || field == presides || field == place || field == content) KeyReleased(field, KeyLeave, false);
    return true;
}

void CalendarFields::FieldEntered(QWidget* field)
{
    if (field != weekday || checking_) return;
    checking_ = true;
    app_.Message(QStringLiteral("Không cần nạp ô này ! Chương trình sẽ tự động nạp Thứ sau khi bạn nạp xong ô Ngày"));
    checking_ = false;
    date->setFocus();
}

// ---- Save and delete -----------------------------------------------------------------------

bool CalendarFields::Changed() const { return source_->AnyChanged(kChangeColumns); }

bool CalendarFields::RequiredFilled()
{
    QStringList missing;
    if (date->text().trimmed().isEmpty()) missing.append(QStringLiteral("Ngày"));
    if (time->text().trimmed().isEmpty()) missing.append(QStringLiteral("Giờ"));
    QString names = missing.join(QStringLiteral(", "));
    // The content's name is spelt one way alone and another after the others (as the clerks know it).
    if (content->text().trimmed().isEmpty())
        names += missing.isEmpty() ? QStringLiteral("Tên hoặc tóm tắt nội dung công viẹc") : QStringLiteral(", Tên hoặc tóm tắt nội dung công việc");
    if (names.isEmpty()) return true;
    app_.Message(QStringLiteral("Cần phải điền đủ nội dung các ô :") + QLatin1Char('\r') + names);
    date->setFocus();
    return false;
}

bool CalendarFields::Write(const QString& table)
{
    dateNormal->setText(NormalDate(date->text()));
    SetTimeKey();
    if (WriteStampedRow(app_, *source_, table, {savedOn, savedOnNormal, savedBy}, kNotYours)) return true;
    date->setFocus();
    return false;
}

bool CalendarFields::DeleteCurrent(const QString& table) { return DeleteCheckedRow(app_, *source_, table, kNotYours); }

}  // namespace korvane
