#include "frmtracuukh.h"

#include "abbreviation.h"
#include "app.h"
#include "conditions.h"
#include "datafiles.h"
#include "dates.h"
#include "frmcongviec.h"
#include "frmgridcongviec.h"
#include "keys.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace korvane {

namespace {

const QString kTracking = QStringLiteral("timkiemkehoach");  // opened from the plan register
const QString kOrder = QStringLiteral(" order by tgianbdauchuan+tgiankthucchuan");

}  // namespace

frmtracuukh::frmtracuukh(App& app) : QWidget(nullptr), app_(app)
{
    setObjectName(QStringLiteral("frmtracuukh"));
    setWindowTitle(QStringLiteral("Tra cứu kế hoạch công tác"));
    Combonamlamviec = new QComboBox(this);
    Combonamlamviec->setObjectName(QStringLiteral("Combonamlamviec"));
    Combonamlamviec->setEditable(false);  // a year is chosen from the plan tables, never typed
    txtid = box("txtid", 50);
    mtgianbdau1 = box("mtgianbdau1", 10);
    mtgianbdau2 = box("mtgianbdau2", 10);
    mtgiankthuc1 = box("mtgiankthuc1", 10);
    mtgiankthuc2 = box("mtgiankthuc2", 10);
    mban = box("mban", 200);
    mphong = box("mphong", 200);
    mndungtt = box("mndungtt", 255);
    mndungct = box("mndungct", 255);
    mloai = box("mloai", 200);
    mnguoichidao = box("mnguoichidao", 200);
    mcanbo = box("mcanbo", 255);
    mchidao = box("mchidao", 255);
    mketqua = box("mketqua", 255);
    auto check = [this](const char* name, const QString& caption) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QLatin1String(name));
        return c;
    };
    chkkhan = check("chkkhan", QStringLiteral("Là công việc khẩn"));
    chkhthanh = check("chkhthanh", QStringLiteral("Đã hoàn thành"));
    chkchuahthanh = check("chkchuahthanh", QStringLiteral("Chưa hoàn thành"));
    auto combo = [this](const char* name) {
        auto* list = new DBCombo(this);
        list->setObjectName(QLatin1String(name));
        list->setFocusPolicy(Qt::ClickFocus);
        list->setMaximumWidth(28);  // only its arrow shows beside the box it fills
        return list;
    };
    DBComboban = combo("DBComboban");
    DBCombobophan = combo("DBCombobophan");
    DBComboloai = combo("DBComboloai");
    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdtracuu = button("cmdtracuu", QStringLiteral("&Tra cứu"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá ĐKiện"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    lblhuongdan = new QLabel(this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setText(QStringLiteral("Hướng dẫn:   F4 : xoá cả ô   ") +
                         QStringLiteral(" Cách dùng các dấu:      Dấu phảy : a,b (có a hoặc b)        Dấu + : a+b (phải có cả a và b)    ") +
                         QStringLiteral(" Dấu chấm than : !a (không có a)        Dấu trừ (cho ô số) :  10-45 (các số từ 10 đến 45) ") +
                         QStringLiteral(" Các dấu >,< (cho ô số) : >3 (lớn hơn 3)  <15 (nhỏ hơn 15)"));
    lblhuongdan->setWordWrap(true);
    lblhuongdan->setStyleSheet(QStringLiteral("color: #1a3d7c;"));

    auto* title = new QLabel(QStringLiteral("Tra cứu về chương trình, kế hoạch công tác"), this);
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
    auto add = [&](const QString& caption, QWidget* w, QWidget* list = nullptr) {
        auto* l = new QLabel(caption, this);
        l->setBuddy(w);
        grid->addWidget(l, r, 0);
        grid->addWidget(w, r, 1, 1, list ? 1 : 2);
        if (list) grid->addWidget(list, r, 2);
        ++r;
    };
    auto period = [this](QLineEdit* from, QLineEdit* to) {
        auto* w = new QWidget(this);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(from);
        h->addWidget(new QLabel(QStringLiteral("đến"), w));
        h->addWidget(to);
        return w;
    };
    add(QStringLiteral("Chọn năm định tra cứu :"), Combonamlamviec);
    add(QStringLiteral("Mã số công việc"), txtid);
    add(QStringLiteral("Thời gian bắt đầu trong khoảng từ :"), period(mtgianbdau1, mtgianbdau2));
    add(QStringLiteral("Thời gian kết thúc trong khoảng từ"), period(mtgiankthuc1, mtgiankthuc2));
    add(QStringLiteral("Ban, đơn vị"), mban, DBComboban);
    add(QStringLiteral("Phòng, bộ phận"), mphong, DBCombobophan);
    add(QStringLiteral("Tên hoặc tóm tắt công việc"), mndungtt);
    add(QStringLiteral("Nội dung chi tiết"), mndungct);
    add(QStringLiteral("Loại công việc"), mloai, DBComboloai);
    add(QStringLiteral("Người chỉ đạo"), mnguoichidao);
    add(QStringLiteral("Người thực hiện"), mcanbo);
    add(QStringLiteral("T.tắt ý kiến chỉ đạo"), mchidao);
    add(QStringLiteral("Kết quả thực hiện"), mketqua);
    auto* flags = new QHBoxLayout;
    for (QCheckBox* c : {chkkhan, chkhthanh, chkchuahthanh}) flags->addWidget(c);
    flags->addStretch();
    grid->addLayout(flags, r++, 1, 1, 2);
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
    const QList<QWidget*> order = {Combonamlamviec, txtid,   mtgianbdau1,  mtgianbdau2, mtgiankthuc1, mtgiankthuc2,  mban,
                                   mphong,          mndungtt, mndungct,    mloai,       mnguoichidao, mcanbo,        mchidao,
                                   mketqua,         chkkhan,  chkhthanh,   chkchuahthanh, cmdtracuu,  cmdxoa,        cmdclose};
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);

    connect(cmdtracuu, &QPushButton::clicked, this, [this] { Search(); });
    connect(cmdxoa, &QPushButton::clicked, this, &frmtracuukh::ClearConditions);
    connect(cmdclose, &QPushButton::clicked, this, &frmtracuukh::CloseSearch);
    // "Đã hoàn thành" and "Chưa hoàn thành" exclude each other.
    connect(chkhthanh, &QCheckBox::toggled, this, [this](bool on) {
        if (on) chkchuahthanh->setChecked(false);
    });
    connect(chkchuahthanh, &QCheckBox::toggled, this, [this](bool on) {
        if (on) chkhthanh->setChecked(false);
    });
    connect(Combonamlamviec, &QComboBox::currentTextChanged, this, [this](const QString& year) { useYearLists(year); });
    const QList<QPair<DBCombo*, QLineEdit*>> picks = {{DBComboban, mban}, {DBCombobophan, mphong}, {DBComboloai, mloai}};
    for (const auto& [list, target] : picks)
        connect(list, &DBCombo::ListClicked, this, [target](const QString& name) { target->setText(name); });
    resize(680, 620);
}

frmtracuukh::~frmtracuukh() = default;

frmtracuukh* frmtracuukh::Instance(App& app)
{
    auto& slot = app.Windows[QStringLiteral("frmtracuukh")];
    if (!slot) slot = new frmtracuukh(app);
    return static_cast<frmtracuukh*>(slot.data());
}

QLineEdit* frmtracuukh::box(const char* name, int limit)
{
    auto* b = new QLineEdit(this);
    b->setObjectName(QLatin1String(name));
    b->setMaxLength(limit);
    b->setValidator(new Tcvn3Validator(b));
    b->installEventFilter(this);
    return b;
}

// ---- Years and lists -----------------------------------------------------------------------

void frmtracuukh::FillYears()
{
    const QString chosen = Combonamlamviec->currentText();
    const QSignalBlocker quiet(Combonamlamviec);
    Combonamlamviec->clear();
    try {
        for (const QString& name : app_.PlanDb->TableNames()) {
            const QString t = name.trimmed().toLower();
            // "kehoach" and a year of four digits: the template table is no year.
            if (t.size() == 11 && t.startsWith(QLatin1String("kehoach")) && IsWorkYear(t.right(4))) Combonamlamviec->addItem(t.right(4));
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + e.description());
    }
    const int kept = chosen.isEmpty() ? -1 : Combonamlamviec->findText(chosen);
    Combonamlamviec->setCurrentIndex(kept >= 0 ? kept : Combonamlamviec->findText(app_.PlanTable.right(4)));
}

void frmtracuukh::fillLists(const std::function<std::unique_ptr<engine::Recordset>(int)>& open)
{
    DBCombo* combos[3] = {DBComboban, DBCombobophan, DBComboloai};
    for (int k = 0; k < 3; ++k) {
        std::unique_ptr<engine::Recordset> rs;
        try {
            rs = open(k);
            combos[k]->Fill(*rs);
        } catch (const engine::DbError& e) {
            app_.RecordFailure(e);
            app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + e.description());
            combos[k]->clear();
        }
        lists_[k] = std::move(rs);
    }
}

void frmtracuukh::useYearLists(const QString& year)
{
    if (year.isEmpty()) return;
    const QString table = QStringLiteral("kehoach") + year;
    DBComboban->ListField = QStringLiteral("tendonvi");
    DBCombobophan->ListField = QStringLiteral("bophan");
    DBComboloai->ListField = QStringLiteral("loai");
    fillLists([this, &table](int k) {
        static const char* columns[3] = {"tendonvi", "bophan", "loai"};
        const QString c = QLatin1String(columns[k]);
        return app_.PlanDb->OpenRecordset(QStringLiteral("select distinct %1 from %2 where len(trim(%1))>0 order by %1").arg(c, table),
                                          engine::RecordsetType::Snapshot);
    });
}

void frmtracuukh::useRegisterLists()
{
    // The department list holds its names in the column "phong".
    DBComboban->ListField = QStringLiteral("tendonvi");
    DBCombobophan->ListField = QStringLiteral("phong");
    DBComboloai->ListField = QStringLiteral("loai");
    fillLists([this](int k) {
        if (k == 0) return app_.PlanRefDb->OpenRecordset(QStringLiteral("SELECT * FROM donvi ORDER BY matt"), engine::RecordsetType::Snapshot);
        if (k == 1) return app_.PlanRefDb->OpenRecordset(QStringLiteral("SELECT * FROM bophan ORDER BY matt"), engine::RecordsetType::Snapshot);
        return app_.PlanDb->OpenRecordset(QStringLiteral("select distinct loai from ") + app_.PlanTable + QStringLiteral(" order by loai"),
                                          engine::RecordsetType::Snapshot);
    });
}

void frmtracuukh::showEvent(QShowEvent* event)
{
    // Each opening offers the plan tables and lists as they are now.
    FillYears();
    if (app_.FormMode == kTracking) useRegisterLists();
    else useYearLists(Combonamlamviec->currentText());
    QWidget::showEvent(event);
}

// ---- Checks --------------------------------------------------------------------------------

bool frmtracuukh::checkDate(QLineEdit* b)
{
    QString text = b->text().trimmed();
    if (text.isEmpty()) return true;
    const QString date = CheckDateText(text, app_.Months, app_.Today().year());
    if (!date.isEmpty()) {
        if (b->text() != date) b->setText(date);
        return true;
    }
    checking_ = true;
    // The first box of the start period says it without the blank before "!".
    app_.Message(b == mtgianbdau1 ? QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!")
                                  : QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    b->clear();
    b->setFocus();
    checking_ = false;
    return false;
}

// A period whose two ends are dates and whose end comes before its start.
bool frmtracuukh::checkPeriod(QLineEdit* from, QLineEdit* to)
{
    if (from->text().trimmed().isEmpty() || to->text().trimmed().isEmpty()) return true;
    if (NormalDate(from->text()) <= NormalDate(to->text())) return true;
    checking_ = true;
    app_.Message(QStringLiteral("Không đặt trước thời điểm bắt đầu :") + from->text() + QStringLiteral("\r\n") +
                 QStringLiteral("Cần nạp lại con số thời gian này!"));
    to->setFocus();
    checking_ = false;
    return false;
}

bool frmtracuukh::checkNumber()
{
    if (!NumberConditionIsWrong(txtid->text())) return true;
    checking_ = true;
    app_.Message(InvalidConditionMessage(txtid->text()));
    txtid->setFocus();
    checking_ = false;
    return false;
}

// ---- The search ----------------------------------------------------------------------------

bool frmtracuukh::Search()
{
    const QString year = Combonamlamviec->currentText().trimmed();
    if (year.isEmpty()) {
        app_.Message(QStringLiteral("Cần chọn năm để tra cứu trước !"));
        return false;
    }
    // Everything checked on leaving a box is checked again: a button pressed with its Alt key
    // leaves the focus where it was.
    if (!checkNumber()) return false;
    for (QLineEdit* b : {mtgianbdau1, mtgianbdau2, mtgiankthuc1, mtgiankthuc2})
        if (!checkDate(b)) return false;
    if (!checkPeriod(mtgianbdau1, mtgianbdau2) || !checkPeriod(mtgiankthuc1, mtgiankthuc2)) return false;

    const QString table = QStringLiteral("kehoach") + year;
    QString clause, validity;
    int count = 0;
    NumberCondition(txtid->text(), QStringLiteral("[id]"), clause, count, validity);
    DateRangeCondition(mtgianbdau1->text().trimmed(), mtgianbdau2->text().trimmed(), QStringLiteral("[tgianbdauchuan]"), clause, count);
    DateRangeCondition(mtgiankthuc1->text().trimmed(), mtgiankthuc2->text().trimmed(), QStringLiteral("[tgiankthucchuan]"), clause, count);
    const QList<QPair<QLineEdit*, const char*>> texts = {{mban, "[tendonvi]"},  {mphong, "[bophan]"},         {mndungtt, "[ndungtt]"},
                                                         {mndungct, "[ndungct]"}, {mloai, "[loai]"},           {mnguoichidao, "[nguoichidao]"},
                                                         {mcanbo, "[canbo]"},     {mchidao, "[chidao]"},       {mketqua, "[ketqua]"}};
    for (const auto& [b, field] : texts) TextCondition(b->text(), QLatin1String(field), clause, count);
    // Each flag's fragment counts, so the next one is joined with " and ".
    if (chkkhan->isChecked()) EqualsCondition(QStringLiteral("True"), QStringLiteral("[khan]"), clause, count++);
    if (chkhthanh->isChecked()) EqualsCondition(QStringLiteral("True"), QStringLiteral("[ketthuc]"), clause, count++);
    if (chkchuahthanh->isChecked() && !chkhthanh->isChecked()) EqualsCondition(QStringLiteral("False"), QStringLiteral("[ketthuc]"), clause, count++);
    const QString statement = clause.isEmpty() ? QStringLiteral("SELECT * FROM ") + table + kOrder
                                               : QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + clause + kOrder;

    std::optional<BusyCursor> busy;
    busy.emplace();
    std::unique_ptr<engine::Recordset> rows;
    long found = 0;
    try {
        // The statement runs first: one the engine refuses leaves the saved query as it was.
        rows = app_.PlanDb->OpenRecordset(statement, engine::RecordsetType::Dynaset);
        app_.PlanDb->WriteTransaction([&] {
            if (app_.PlanDb->HasQueryDef(QStringLiteral("Qrtracuu"))) app_.PlanDb->SetQueryDefSql(QStringLiteral("Qrtracuu"), statement);
            else app_.PlanDb->CreateQueryDef(QStringLiteral("Qrtracuu"), statement);
        });
        found = rows->RecordCount();
    } catch (const engine::DbError& e) {
        busy.reset();
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return false;
    }
    if (found == 0) {
        busy.reset();
        app_.Message(QStringLiteral("Không có công việc nào thoả mãn điều kiện tìm kiếm !"));
        return false;
    }
    frmgridcongviec* list = frmgridcongviec::Instance(app_);
    list->ShowFound(statement, std::move(rows));
    busy.reset();
    hide();
    return true;
}

void frmtracuukh::ClearConditions()
{
    for (QLineEdit* b : findChildren<QLineEdit*>())
        if (b->parentWidget() != Combonamlamviec) b->clear();
    for (QCheckBox* c : {chkkhan, chkhthanh, chkchuahthanh}) c->setChecked(false);
    txtid->setFocus();
}

void frmtracuukh::CloseSearch()
{
    hide();
    // Closed with "Kết thúc" the window starts afresh at its next opening: empty boxes, the
    // working year.
    ClearConditions();
    {
        const QSignalBlocker quiet(Combonamlamviec);
        Combonamlamviec->setCurrentIndex(Combonamlamviec->findText(app_.PlanTable.right(4)));
    }
    if (app_.FormMode == kTracking) {
        if (frmcongviec* reg = frmcongviec::Find(app_)) {
            reg->ShowAgain();
            return;
        }
    }
    if (QWidget* main = app_.Windows[QStringLiteral("frmMain")].data()) {
        main->show();
        main->raise();
    }
}

void frmtracuukh::closeEvent(QCloseEvent* event)
{
    event->ignore();  // as "Kết thúc"
    CloseSearch();
}

// ---- Keys and boxes ------------------------------------------------------------------------

bool frmtracuukh::eventFilter(QObject* watched, QEvent* event)
{
    auto* b = qobject_cast<QLineEdit*>(watched);
    if (b && event->type() == QEvent::KeyRelease) keyReleased(b, static_cast<QKeyEvent*>(event));
    else if (b && event->type() == QEvent::FocusOut && !checking_ && isVisible()) fieldLeft(b);
    return QWidget::eventFilter(watched, event);
}

void frmtracuukh::fieldLeft(QLineEdit* b)
{
    if (b == txtid) {
        checkNumber();
    } else if (b == mtgianbdau1 || b == mtgiankthuc1) {
        checkDate(b);
    } else if (b == mtgianbdau2) {
        if (checkDate(b)) checkPeriod(mtgianbdau1, mtgianbdau2);
    } else if (b == mtgiankthuc2) {
        if (checkDate(b)) checkPeriod(mtgiankthuc1, mtgiankthuc2);
    }
}

void frmtracuukh::keyReleased(QLineEdit* b, QKeyEvent* event)
{
    const int code = KeyCodeOf(event);
    if (code == KeyF1 + 3) {  // F4
        b->clear();
        return;
    }
    if (b == mban) {
        if (app_.UnitList) ExpandAbbreviation(b, code, *app_.UnitList, QStringLiteral("Tendonvi"));
        return;
    }
    const QList<QLineEdit*> abbreviated = {mcanbo, mnguoichidao, mchidao, mketqua, mndungct, mndungtt, mphong};
    if (abbreviated.contains(b) && app_.AbbreviationList) ExpandAbbreviation(b, code, *app_.AbbreviationList, QStringLiteral("chudu"));
}

}  // namespace korvane
