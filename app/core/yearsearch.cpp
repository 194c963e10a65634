#include "yearsearch.h"

#include "abbreviation.h"
#include "app.h"
#include "conditions.h"
#include "datapaths.h"
#include "dates.h"
#include "formkit.h"
#include "keys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>

namespace korvane {

// ---- Checks of boxes -----------------------------------------------------------------------

bool CheckDateBox(App& app, QLineEdit* box, const QString& message, bool& checking)
{
    QString text = box->text().trimmed();
    if (text.isEmpty()) return true;
    const QString date = CheckDateText(text, app.Months, app.Today().year());
    if (!date.isEmpty()) {
        if (box->text() != date) box->setText(date);
        return true;
    }
    checking = true;
    app.Message(message);
    box->clear();
    box->setFocus();
    checking = false;
    return false;
}

bool CheckNumberBox(App& app, QLineEdit* box, bool& checking)
{
    if (!NumberConditionIsWrong(box->text())) return true;
    checking = true;
    app.Message(InvalidConditionMessage(box->text()));
    box->setFocus();
    checking = false;
    return false;
}

bool CheckPeriodBoxes(App& app, QLineEdit* from, QLineEdit* to, const QString& message, QWidget* focus, bool& checking)
{
    if (from->text().trimmed().isEmpty() || to->text().trimmed().isEmpty()) return true;
    if (NormalDate(from->text()) <= NormalDate(to->text())) return true;
    checking = true;
    app.Message(message);
    focus->setFocus();
    checking = false;
    return false;
}

void StepDateBox(App& app, QLineEdit* box, int delta)
{
    if (box->text().trimmed().isEmpty()) {
        box->setText(DisplayDate(app.Today(), app.Months));
    } else {
        const QString date = SteppedDate(box->text(), delta, app.Months, app.Today().year());
        if (!date.isEmpty()) box->setText(date);
    }
}

QWidget* PeriodLine(QWidget* parent, QLineEdit* from, QLineEdit* to, const QString& between)
{
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(from);
    h->addWidget(new QLabel(between, w));
    h->addWidget(to);
    return w;
}

QString ConditionSignsHelp()
{
    return QLatin1Char('\r') + QStringLiteral(" Cách dùng các dấu:      Dấu phảy : a,b (có a hoặc b)        Dấu + : a+b (phải có cả a và b) ") +
           QLatin1Char('\r') + QStringLiteral(" Dấu chấm than : !a (không có a)        Dấu trừ (cho ô số) :  10-45 (các số từ 10 đến 45) ") +
           QLatin1Char('\r') + QStringLiteral(" Các dấu >,< (cho ô số) : >3 (lớn hơn 3)  <15 (nhỏ hơn 15)");
}

// ---- The window ----------------------------------------------------------------------------

YearSearch::YearSearch(App& app, const QString& prefix, QString App::*workingTable)
    : QWidget(nullptr), app_(app), prefix_(prefix), workingTable_(workingTable)
{
    Combonamlamviec = new QComboBox(this);
    Combonamlamviec->setObjectName(QStringLiteral("Combonamlamviec"));
    Combonamlamviec->setEditable(false);  // a year is chosen from the tables, never typed
    txtid = box("txtid", 50);
    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdtracuu = button("cmdtracuu", QStringLiteral("&Tra cứu"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá ĐKiện"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    lblhuongdan = new QLabel(this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setStyleSheet(QStringLiteral("color: #1a3d7c;"));
    connect(cmdtracuu, &QPushButton::clicked, this, [this] { Search(); });
    connect(cmdxoa, &QPushButton::clicked, this, &YearSearch::ClearConditions);
    connect(cmdclose, &QPushButton::clicked, this, &YearSearch::CloseSearch);
    chkkhongdau = WithoutMarksBox(app, this);
}

YearSearch::~YearSearch() = default;

QLineEdit* YearSearch::box(const char* name, int limit)
{
    auto* b = new QLineEdit(this);
    b->setObjectName(QLatin1String(name));
    b->setMaxLength(limit);
    b->setValidator(new Tcvn3Validator(b));
    b->installEventFilter(this);
    return b;
}

QWidget* YearSearch::period(QLineEdit* from, QLineEdit* to, const QString& between)
{
    QWidget* w = PeriodLine(this, from, to, between);
    periods_.append({from, to, w});
    return w;
}

void YearSearch::layOut(const QString& title, const QList<Row>& rows, const QList<QCheckBox*>& flags)
{
    QLabel* heading = NewHeading(this, title);
    auto* instruction = new QLabel(QStringLiteral("Đặt điều kiện tìm kiếm cho các nội dung cần tra cứu dưới đây, chú ý dùng các dấu phảy, "
                                                  "dấu cộng,dấu gạch ngang, dấu lớn hơn, nhỏ hơn v.v.."),
                                   this);
    instruction->setWordWrap(true);

    auto* grid = new QGridLayout;
    QList<QWidget*> order;
    int r = 0;
    for (const Row& row : QList<Row>{{QStringLiteral("Chọn năm định tra cứu :"), Combonamlamviec}} + rows) {
        auto* l = new QLabel(row.caption, this);
        l->setBuddy(row.box);
        grid->addWidget(l, r, 0);
        grid->addWidget(row.box, r, 1, 1, row.list ? 1 : -1);  // without a list: up to the last column
        if (row.list) grid->addWidget(row.list, r, 2);
        ++r;
        const auto p = std::find_if(periods_.cbegin(), periods_.cend(), [&row](const Period& p) { return p.line == row.box; });
        if (p != periods_.cend()) order << p->from << p->to;
        else order << row.box;
    }
    {
        auto* line = new QHBoxLayout;
        for (QCheckBox* c : flags + QList<QCheckBox*>{chkkhongdau}) {
            line->addWidget(c);
            order << c;
        }
        line->addStretch();
        grid->addLayout(line, r++, 1, 1, -1);
    }
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdtracuu, cmdxoa, cmdclose}) {
        buttons->addWidget(b);
        order << b;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(instruction);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    // The help's lines end with carriage returns, which a label would run together into one line
    // wider than the screen; they are shown as line breaks, and long lines wrap.
    lblhuongdan->setText(lblhuongdan->text().replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    lblhuongdan->setWordWrap(true);
    layout->addWidget(lblhuongdan);
    PressButtonsWithEnter(this);
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
}

// ---- Searching without marks ---------------------------------------------------------------

namespace {

// Keeps the tick box as the user left it: read when its window is shown, written when ticked.
class WithoutMarksChoice : public QObject {
public:
    WithoutMarksChoice(App& app, QCheckBox* box) : QObject(box), app_(app), box_(box)
    {
        box->window()->installEventFilter(this);
        read();
        connect(box, &QCheckBox::toggled, this, [this](bool on) {
            if (!reading_) settings().setValue(key(), on);
        });
    }

private:
    QSettings settings() const { return QSettings(app_.DataFile(QStringLiteral("nguoidung.ini")), QSettings::IniFormat); }
    QString key() const
    {
        QString user = app_.UserFullName.trimmed();
        user.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
        return QStringLiteral("khongphanbietdau/") + (user.isEmpty() ? QStringLiteral("_") : user);
    }
    void read()
    {
        reading_ = true;
        box_->setChecked(settings().value(key(), true).toBool());
        reading_ = false;
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == box_->window() && event->type() == QEvent::Show) read();
        return false;
    }

    App& app_;
    QCheckBox* box_;
    bool reading_ = false;
};

}  // namespace

QCheckBox* WithoutMarksBox(App& app, QWidget* window)
{
    auto* box = new QCheckBox(QStringLiteral("Không phân biệt &dấu"), window);
    box->setObjectName(QStringLiteral("chkkhongdau"));
    box->setToolTip(QStringLiteral("Gõ không dấu (\"cong van\") để tìm cả \"Công văn\"; gõ có dấu thì tìm đúng dấu đã gõ."));
    new WithoutMarksChoice(app, box);
    return box;
}

// ---- Years ---------------------------------------------------------------------------------

void YearSearch::FillYears()
{
    const QString chosen = Combonamlamviec->currentText();
    const QSignalBlocker quiet(Combonamlamviec);
    Combonamlamviec->clear();
    try {
        for (const QString& name : app_.PlanDb->TableNames()) {
            const QString t = name.trimmed().toLower();
            // The prefix and a year of four digits: the template table is no year.
            if (t.size() == prefix_.size() + 4 && t.startsWith(prefix_) && IsWorkYear(t.right(4))) Combonamlamviec->addItem(t.right(4));
        }
    } catch (const engine::DbError& e) {
        saySystemFailure(e);
    }
    const int kept = chosen.isEmpty() ? -1 : Combonamlamviec->findText(chosen);
    Combonamlamviec->setCurrentIndex(kept >= 0 ? kept : Combonamlamviec->findText((app_.*workingTable_).right(4)));
}

void YearSearch::showEvent(QShowEvent* event)
{
    FillYears();  // each opening offers the tables as they are now
    QWidget::showEvent(event);
}

// ---- Checks --------------------------------------------------------------------------------

QString YearSearch::badDateMessage(const QLineEdit*) const { return QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"); }

bool YearSearch::checkDate(QLineEdit* b) { return CheckDateBox(app_, b, badDateMessage(b), checking_); }

bool YearSearch::checkNumber() { return CheckNumberBox(app_, txtid, checking_); }

bool YearSearch::checkPeriod(const Period& p)
{
    return CheckPeriodBoxes(app_, p.from, p.to,
                            QStringLiteral("Không đặt trước thời điểm bắt đầu :") + p.from->text() + QStringLiteral("\r\n") +
                                QStringLiteral("Cần nạp lại con số thời gian này!"),
                            p.to, checking_);
}

bool YearSearch::checkConditions()
{
    if (!checkNumber()) return false;
    for (const Period& p : periods_)
        if (!checkDate(p.from) || !checkDate(p.to)) return false;
    for (const Period& p : periods_)
        if (!checkPeriod(p)) return false;
    return true;
}

QString YearSearch::searchedTable()
{
    const QString year = Combonamlamviec->currentText().trimmed();
    if (year.isEmpty()) app_.Message(QStringLiteral("Cần chọn năm để tra cứu trước !"));
    return year.isEmpty() ? QString() : prefix_ + year;
}

void YearSearch::sayFailure(const engine::DbError& e)
{
    app_.RecordFailure(e);
    app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
}

void YearSearch::saySystemFailure(const engine::DbError& e)
{
    app_.RecordFailure(e);
    app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + e.description());
}

// ---- Clearing and closing ------------------------------------------------------------------

void YearSearch::ClearConditions()
{
    for (QLineEdit* b : findChildren<QLineEdit*>())
        if (b->parentWidget() != Combonamlamviec) b->clear();
    for (QCheckBox* c : findChildren<QCheckBox*>())
        if (c != chkkhongdau) c->setChecked(false);
    txtid->setFocus();
}

void YearSearch::CloseSearch()
{
    hide();
    checking_ = true;
    ClearConditions();
    checking_ = false;
    {
        const QSignalBlocker quiet(Combonamlamviec);
        Combonamlamviec->setCurrentIndex(Combonamlamviec->findText((app_.*workingTable_).right(4)));
    }
    if (backToRegister()) return;
    if (QWidget* main = app_.Window(QStringLiteral("frmMain"))) {
        main->show();
        main->raise();
    }
}

void YearSearch::closeEvent(QCloseEvent* event)
{
    event->ignore();  // as "Kết thúc"
    CloseSearch();
}

// ---- Keys and boxes ------------------------------------------------------------------------

bool YearSearch::eventFilter(QObject* watched, QEvent* event)
{
    auto* b = qobject_cast<QLineEdit*>(watched);
    if (b && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int code = KeyCodeOf(key);
        if (code == KeyF1 + 3) b->clear();  // F4
        else keyReleased(b, code, key);
    } else if (b && event->type() == QEvent::FocusOut && !checking_ && isVisible()) {
        fieldLeft(b, static_cast<QFocusEvent*>(event)->reason());
    }
    return QWidget::eventFilter(watched, event);
}

void YearSearch::expand(QLineEdit* b, int code)
{
    if (app_.AbbreviationList) ExpandAbbreviation(b, code, *app_.AbbreviationList, QStringLiteral("chudu"));
}

void YearSearch::keyReleased(QLineEdit* b, int code, const QKeyEvent*)
{
    if (abbreviated_.contains(b)) expand(b, code);
}

void YearSearch::fieldLeft(QLineEdit* b, Qt::FocusReason)
{
    if (b == txtid) checkNumber();
    for (const Period& p : periods_) {
        if (b == p.from) checkDate(b);
        else if (b == p.to && checkDate(b)) checkPeriod(p);
    }
}

}  // namespace korvane
