#include "frmtracuulich.h"

#include "abbreviation.h"
#include "app.h"
#include "conditions.h"
#include "datafiles.h"
#include "dates.h"
#include "formkit.h"
#include "frmgridlich.h"
#include "frmlich.h"
#include "keys.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace korvane {

namespace {

const QString kFromMain = QStringLiteral("tracuulich");  // opened from the main window
const QString kDateMessage = QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !");

}  // namespace

frmtracuulich::frmtracuulich(App& app) : QWidget(nullptr), app_(app)
{
    setObjectName(QStringLiteral("frmtracuulich"));
    setWindowTitle(QStringLiteral("Tra cứu lịch làm việc"));
    Combonamlamviec = new QComboBox(this);
    Combonamlamviec->setObjectName(QStringLiteral("Combonamlamviec"));
    Combonamlamviec->setEditable(false);  // a year is chosen from the calendar tables, never typed
    txtid = box("txtid", 50);
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
    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdtracuu = button("cmdtracuu", QStringLiteral("&Tra cứu"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá ĐKiện"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    lblhuongdan = new QLabel(this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setText(QStringLiteral("Hướng dẫn:   F4 : xoá cả ô     F5 và Shift-F5:tăng giảm ô ngày ") + QLatin1Char('\r') +
                         QStringLiteral(" Cách dùng các dấu:      Dấu phảy : a,b (có a hoặc b)        Dấu + : a+b (phải có cả a và b) ") +
                         QLatin1Char('\r') +
                         QStringLiteral(" Dấu chấm than : !a (không có a)        Dấu trừ (cho ô số) :  10-45 (các số từ 10 đến 45) ") +
                         QLatin1Char('\r') + QStringLiteral(" Các dấu >,< (cho ô số) : >3 (lớn hơn 3)  <15 (nhỏ hơn 15)"));
    lblhuongdan->setStyleSheet(QStringLiteral("color: #1a3d7c;"));

    auto* title = new QLabel(QStringLiteral("Tra cứu thông tin về lịch làm việc hàng tuần"), this);
    title->setObjectName(QStringLiteral("lbltieude"));
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    auto* instruction = new QLabel(QStringLiteral("Đặt điều kiện tìm kiếm cho các nội dung cần tra cứu dưới đây, chú ý dùng các dấu phảy, "
                                                  "dấu cộng,dấu gạch ngang, dấu lớn hơn, nhỏ hơn v.v.."),
                                   this);
    instruction->setWordWrap(true);

    auto* grid = new QGridLayout;
    int r = 0;
    auto add = [&](const QString& caption, QWidget* w) {
        auto* l = new QLabel(caption, this);
        l->setBuddy(w);
        grid->addWidget(l, r, 0);
        grid->addWidget(w, r, 1);
        ++r;
    };
    auto* period = new QWidget(this);
    auto* h = new QHBoxLayout(period);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(mngay1);
    h->addWidget(new QLabel(QStringLiteral("đến ngày"), period));
    h->addWidget(mngay2);
    add(QStringLiteral("Chọn năm định tra cứu :"), Combonamlamviec);
    add(QStringLiteral("Mã số công việc"), txtid);
    add(QStringLiteral("Từ ngày : "), period);
    add(QStringLiteral("Thứ"), mthu);
    add(QStringLiteral("Giờ "), mgio);
    add(QStringLiteral("Công việc"), mndung);
    add(QStringLiteral("Người chủ trì"), mchutri);
    add(QStringLiteral("Người chuẩn bị"), mchuanbi);
    add(QStringLiteral("Địa điểm"), mdiadiem);
    add(QStringLiteral("Thành phần"), mthanhphan);
    add(QStringLiteral("Ghi chú"), mghichu);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdtracuu, cmdxoa, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(instruction);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(lblhuongdan);
    PressButtonsWithEnter(this);
    const QList<QWidget*> order = {Combonamlamviec, txtid,    mngay1,    mngay2,     mthu,    mgio,      mndung, mchutri,
                                   mchuanbi,        mdiadiem, mthanhphan, mghichu,   cmdtracuu, cmdxoa, cmdclose};
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);

    connect(cmdtracuu, &QPushButton::clicked, this, [this] { Search(); });
    connect(cmdxoa, &QPushButton::clicked, this, &frmtracuulich::ClearConditions);
    connect(cmdclose, &QPushButton::clicked, this, &frmtracuulich::CloseSearch);
    resize(620, 560);
}

frmtracuulich::~frmtracuulich() = default;

frmtracuulich* frmtracuulich::Instance(App& app)
{
    auto& slot = app.Windows[QStringLiteral("frmtracuulich")];
    if (!slot) slot = new frmtracuulich(app);
    return static_cast<frmtracuulich*>(slot.data());
}

QLineEdit* frmtracuulich::box(const char* name, int limit)
{
    auto* b = new QLineEdit(this);
    b->setObjectName(QLatin1String(name));
    b->setMaxLength(limit);
    b->setValidator(new Tcvn3Validator(b));
    b->installEventFilter(this);
    return b;
}

// ---- Years ---------------------------------------------------------------------------------

void frmtracuulich::FillYears()
{
    const QString chosen = Combonamlamviec->currentText();
    Combonamlamviec->clear();
    try {
        for (const QString& name : app_.PlanDb->TableNames()) {
            const QString t = name.trimmed().toLower();
            // "lich" and a year of four digits: the template table is no year.
            if (t.size() == 8 && t.startsWith(QLatin1String("lich")) && IsWorkYear(t.right(4))) Combonamlamviec->addItem(t.right(4));
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + e.description());
    }
    const int kept = chosen.isEmpty() ? -1 : Combonamlamviec->findText(chosen);
    Combonamlamviec->setCurrentIndex(kept >= 0 ? kept : Combonamlamviec->findText(app_.CalendarTable.right(4)));
}

void frmtracuulich::showEvent(QShowEvent* event)
{
    FillYears();  // each opening offers the calendar tables as they are now
    QWidget::showEvent(event);
}

// ---- Checks --------------------------------------------------------------------------------

bool frmtracuulich::checkDate(QLineEdit* b)
{
    QString text = b->text().trimmed();
    if (text.isEmpty()) return true;
    const QString date = CheckDateText(text, app_.Months, app_.Today().year());
    if (!date.isEmpty()) {
        if (b->text() != date) b->setText(date);
        return true;
    }
    checking_ = true;
    app_.Message(kDateMessage);
    b->clear();
    b->setFocus();
    checking_ = false;
    return false;
}

// The end of the period may not come before its start.
bool frmtracuulich::checkPeriod()
{
    if (mngay1->text().trimmed().isEmpty() || mngay2->text().trimmed().isEmpty()) return true;
    if (NormalDate(mngay1->text()) <= NormalDate(mngay2->text())) return true;
    checking_ = true;
    app_.Message(QStringLiteral("Không đặt trước thời điểm bắt đầu :") + mngay1->text() + QStringLiteral("\r\n") +
                 QStringLiteral("Cần nạp lại con số thời gian này!"));
    mngay2->setFocus();
    checking_ = false;
    return false;
}

bool frmtracuulich::checkNumber()
{
    if (!NumberConditionIsWrong(txtid->text())) return true;
    checking_ = true;
    app_.Message(InvalidConditionMessage(txtid->text()));
    txtid->setFocus();
    checking_ = false;
    return false;
}

// ---- The search ----------------------------------------------------------------------------

bool frmtracuulich::Search()
{
    const QString year = Combonamlamviec->currentText().trimmed();
    if (year.isEmpty()) {
        app_.Message(QStringLiteral("Cần chọn năm để tra cứu trước !"));
        return false;
    }
    // What leaving a box does is done again: a button pressed with its Alt key leaves the focus
    // where it was.
    if (auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget()); focused && expands(focused) && app_.AbbreviationList)
        ExpandAbbreviation(focused, KeyLeave, *app_.AbbreviationList, QStringLiteral("chudu"));
    if (!checkNumber() || !checkDate(mngay1) || !checkDate(mngay2) || !checkPeriod()) return false;

    const QString table = QStringLiteral("lich") + year;
    QString clause, validity;
    int count = 0;
    NumberCondition(txtid->text(), QStringLiteral("[id]"), clause, count, validity);
    TextCondition(mgio->text(), QStringLiteral("[gio]"), clause, count);
    DateRangeCondition(mngay1->text().trimmed(), mngay2->text().trimmed(), QStringLiteral("[ngaychuan]"), clause, count);
    const QList<QPair<QLineEdit*, const char*>> texts = {{mndung, "[ndung]"},     {mthu, "[thu]"},           {mchutri, "[nguoictri]"},
                                                         {mchuanbi, "[nguoicbi]"}, {mdiadiem, "[diadiem]"},   {mthanhphan, "[thanhphan]"},
                                                         {mghichu, "[ghichu]"}};
    for (const auto& [b, field] : texts) TextCondition(b->text(), QLatin1String(field), clause, count);
    // Entries of one day come in the order of their times, as in the year's grid.
    const QString statement = clause.isEmpty()
                                  ? QStringLiteral("select * from [") + table + QStringLiteral("] order by [ngaychuan], [giochuan]")
                                  : QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + clause +
                                        QStringLiteral(" order by [ngaychuan], [giochuan]");

    std::optional<BusyCursor> busy;
    busy.emplace();
    try {
        // The statement is tried first: a condition the engine refuses leaves the marks alone.
        app_.PlanDb->OpenRecordset(statement, engine::RecordsetType::Dynaset);
        app_.PlanDb->Execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET chonin = '' where [chonin]= 'X' ;"));
        app_.SearchClause = clause;
        app_.SearchTable = table;
        frmGridlich::Instance(app_)->ShowFound(statement, table, clause);
    } catch (const engine::DbError& e) {
        busy.reset();
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return false;
    }
    busy.reset();
    hide();
    return true;
}

void frmtracuulich::ClearConditions()
{
    for (QLineEdit* b : {txtid, mgio, mngay1, mngay2, mndung, mthu, mchutri, mchuanbi, mdiadiem, mthanhphan, mghichu}) b->clear();
    txtid->setFocus();
}

void frmtracuulich::CloseSearch()
{
    hide();
    // Closed with "Kết thúc" the window starts afresh at its next opening: empty boxes, the
    // working year.
    checking_ = true;
    ClearConditions();
    checking_ = false;
    Combonamlamviec->setCurrentIndex(Combonamlamviec->findText(app_.CalendarTable.right(4)));
    if (app_.FormMode != kFromMain) {
        if (frmlich* reg = frmlich::Find(app_)) {
            try {
                reg->ComeBack(app_.CurrentDocId);
            } catch (const engine::DbError& e) {
                app_.RecordFailure(e);
                app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
            }
            return;
        }
    }
    if (QWidget* main = app_.Windows[QStringLiteral("frmMain")].data()) {
        main->show();
        main->raise();
    }
}

void frmtracuulich::closeEvent(QCloseEvent* event)
{
    event->ignore();  // as "Kết thúc"
    CloseSearch();
}

// ---- Keys and boxes ------------------------------------------------------------------------

bool frmtracuulich::expands(QLineEdit* b) const { return b == mchuanbi || b == mchutri || b == mdiadiem || b == mndung; }

bool frmtracuulich::eventFilter(QObject* watched, QEvent* event)
{
    auto* b = qobject_cast<QLineEdit*>(watched);
    if (b && event->type() == QEvent::KeyRelease) {
        keyReleased(b, static_cast<QKeyEvent*>(event));
    } else if (b && event->type() == QEvent::FocusOut && !checking_ && isVisible()) {
        // A box is left when the clerk moves on, not when a message or another window comes up.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) fieldLeft(b);
    }
    return QWidget::eventFilter(watched, event);
}

void frmtracuulich::fieldLeft(QLineEdit* b)
{
    if (b == txtid) {
        checkNumber();
    } else if (b == mngay1) {
        checkDate(b);
    } else if (b == mngay2) {
        if (checkDate(b)) checkPeriod();
    } else if (expands(b) && app_.AbbreviationList) {
        ExpandAbbreviation(b, KeyLeave, *app_.AbbreviationList, QStringLiteral("chudu"));
    }
}

void frmtracuulich::keyReleased(QLineEdit* b, QKeyEvent* event)
{
    const int code = KeyCodeOf(event);
    if (code == KeyF1 + 3) {  // F4
        b->clear();
        return;
    }
    if (code == KeyF1 + 4 && (b == mngay1 || b == mngay2)) {  // F5 / Shift+F5: today, or a day on or back
        if (b->text().trimmed().isEmpty()) {
            b->setText(DisplayDate(app_.Today(), app_.Months));
        } else {
            const int delta = (event->modifiers() & Qt::ShiftModifier) ? -1 : 1;
            const QString date = SteppedDate(b->text(), delta, app_.Months, app_.Today().year());
            if (!date.isEmpty()) b->setText(date);
        }
        return;
    }
    if (expands(b) && app_.AbbreviationList) ExpandAbbreviation(b, code, *app_.AbbreviationList, QStringLiteral("chudu"));
}

}  // namespace korvane
