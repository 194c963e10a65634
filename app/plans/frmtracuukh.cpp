#include "frmtracuukh.h"

#include "abbreviation.h"
#include "app.h"
#include "conditions.h"
#include "frmcongviec.h"
#include "frmgridcongviec.h"
#include "printing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include <optional>

namespace korvane {

namespace {

const QString kTracking = QStringLiteral("timkiemkehoach");  // opened from the plan register
const QString kOrder = QStringLiteral(" order by tgianbdauchuan+tgiankthucchuan");

}  // namespace

frmtracuukh::frmtracuukh(App& app) : YearSearch(app, QStringLiteral("kehoach"), &App::PlanTable)
{
    setObjectName(QStringLiteral("frmtracuukh"));
    setWindowTitle(QStringLiteral("Tra cứu kế hoạch công tác"));
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
    abbreviated_ = {mcanbo, mnguoichidao, mchidao, mketqua, mndungct, mndungtt, mphong};
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
    lblhuongdan->setText(QStringLiteral("Hướng dẫn:   F4 : xoá cả ô   ") +
                         QStringLiteral(" Cách dùng các dấu:      Dấu phảy : a,b (có a hoặc b)        Dấu + : a+b (phải có cả a và b)    ") +
                         QStringLiteral(" Dấu chấm than : !a (không có a)        Dấu trừ (cho ô số) :  10-45 (các số từ 10 đến 45) ") +
                         QStringLiteral(" Các dấu >,< (cho ô số) : >3 (lớn hơn 3)  <15 (nhỏ hơn 15)"));
    lblhuongdan->setWordWrap(true);
    layOut(QStringLiteral("Tra cứu về chương trình, kế hoạch công tác"),
           {{QStringLiteral("Mã số công việc"), txtid},
            {QStringLiteral("Thời gian bắt đầu trong khoảng từ :"), period(mtgianbdau1, mtgianbdau2, QStringLiteral("đến"))},
            {QStringLiteral("Thời gian kết thúc trong khoảng từ"), period(mtgiankthuc1, mtgiankthuc2, QStringLiteral("đến"))},
            {QStringLiteral("Ban, đơn vị"), mban, DBComboban},
            {QStringLiteral("Phòng, bộ phận"), mphong, DBCombobophan},
            {QStringLiteral("Tên hoặc tóm tắt công việc"), mndungtt},
            {QStringLiteral("Nội dung chi tiết"), mndungct},
            {QStringLiteral("Loại công việc"), mloai, DBComboloai},
            {QStringLiteral("Người chỉ đạo"), mnguoichidao},
            {QStringLiteral("Người thực hiện"), mcanbo},
            {QStringLiteral("T.tắt ý kiến chỉ đạo"), mchidao},
            {QStringLiteral("Kết quả thực hiện"), mketqua}},
           {chkkhan, chkhthanh, chkchuahthanh});

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

frmtracuukh* frmtracuukh::Instance(App& app) { return app.Owner().Get<frmtracuukh>(QStringLiteral("frmtracuukh")); }

// ---- Lists ---------------------------------------------------------------------------------

void frmtracuukh::fillLists(const std::function<std::unique_ptr<engine::Recordset>(int)>& open)
{
    DBCombo* combos[3] = {DBComboban, DBCombobophan, DBComboloai};
    for (int k = 0; k < 3; ++k) {
        std::unique_ptr<engine::Recordset> rs;
        try {
            rs = open(k);
            combos[k]->Fill(*rs);
        } catch (const engine::DbError& e) {
            saySystemFailure(e);
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
    YearSearch::showEvent(event);
    // Each opening offers the lists as they are now.
    if (app_.FormMode == kTracking) useRegisterLists();
    else useYearLists(Combonamlamviec->currentText());
}

// ---- The search ----------------------------------------------------------------------------

// The first box of the start period says it without the blank before "!".
QString frmtracuukh::badDateMessage(const QLineEdit* b) const
{
    return b == mtgianbdau1 ? QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!") : YearSearch::badDateMessage(b);
}

bool frmtracuukh::Search()
{
    const QString table = searchedTable();
    if (table.isEmpty() || !checkConditions()) return false;
    QString clause, validity;
    int count = 0;
    NumberCondition(txtid->text(), QStringLiteral("[id]"), clause, count, validity);
    DateRangeCondition(mtgianbdau1->text().trimmed(), mtgianbdau2->text().trimmed(), QStringLiteral("[tgianbdauchuan]"), clause, count);
    DateRangeCondition(mtgiankthuc1->text().trimmed(), mtgiankthuc2->text().trimmed(), QStringLiteral("[tgiankthucchuan]"), clause, count);
    const QList<QPair<QLineEdit*, const char*>> texts = {{mban, "[tendonvi]"},  {mphong, "[bophan]"},         {mndungtt, "[ndungtt]"},
                                                         {mndungct, "[ndungct]"}, {mloai, "[loai]"},           {mnguoichidao, "[nguoichidao]"},
                                                         {mcanbo, "[canbo]"},     {mchidao, "[chidao]"},       {mketqua, "[ketqua]"}};
    for (const auto& [b, field] : texts) TextCondition(b->text(), QLatin1String(field), clause, count, chkkhongdau->isChecked());
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
        // The saved query is written when the file lets it, for whatever else reads it; the list
        // reads the statement itself, so a file that cannot be written (read-only, or another
        // clerk writing) is still searched.
        try {
            KeepQuery(*app_.PlanDb, QStringLiteral("Qrtracuu"), statement);
        } catch (const engine::DbError& e) {
            app_.RecordFailure(e);
        }
        found = rows->RecordCount();
    } catch (const engine::DbError& e) {
        busy.reset();
        sayFailure(e);
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

bool frmtracuukh::backToRegister()
{
    frmcongviec* reg = app_.FormMode == kTracking ? frmcongviec::Find(app_) : nullptr;
    if (reg) reg->ShowAgain();
    return reg;
}

// ---- Keys ----------------------------------------------------------------------------------

void frmtracuukh::keyReleased(QLineEdit* b, int code, const QKeyEvent* event)
{
    if (b != mban) YearSearch::keyReleased(b, code, event);
    else if (app_.UnitList) ExpandAbbreviation(b, code, *app_.UnitList, QStringLiteral("Tendonvi"));
}

}  // namespace korvane
