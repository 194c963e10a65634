#include "frmtracuu.h"

#include "abbreviation.h"
#include "app.h"
#include "conditions.h"
#include "datapaths.h"
#include "frmcvden.h"
#include "frmcvdi.h"
#include "frmgrid.h"
#include "keys.h"
#include "yearsearch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace korvane {

namespace {

const QString kBadDate = QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!");
const QString kLaterEnd = QStringLiteral("Không đặt thời điểm cuối trước thời điểm đầu!");

}  // namespace

DocumentSearch::DocumentSearch(App& app, const QString& prefix) : QWidget(nullptr), app_(app), prefix_(prefix)
{
    Combonamlamviec = new QComboBox(this);
    Combonamlamviec->setObjectName(QStringLiteral("Combonamlamviec"));
    Combonamlamviec->setEditable(false);  // a year is chosen from the register's tables, never typed
    mstt = box("mstt", 50);
    mng_cv1 = box("mng_cv1", 10);
    mng_cv2 = box("mng_cv2", 10);
    mdv_nhan = box("mdv_nhan", 200);
    mtt_ndung = box("mtt_ndung", 200);
    mloai = box("mloai", 200);
    lblhuongdan = new QLabel(this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdtracuu = button("cmdtracuu", QStringLiteral("&Tra cứu"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá ĐKiện"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    connect(cmdtracuu, &QPushButton::clicked, this, [this] { Search(); });
    connect(cmdxoa, &QPushButton::clicked, this, &DocumentSearch::ClearConditions);
    connect(cmdclose, &QPushButton::clicked, this, &DocumentSearch::CloseSearch);
    chkkhongdau = WithoutMarksBox(app, this);
}

DocumentSearch::~DocumentSearch() = default;

QLineEdit* DocumentSearch::box(const char* name, int limit)
{
    auto* b = new QLineEdit(this);
    b->setObjectName(QLatin1String(name));
    b->setMaxLength(limit);
    b->installEventFilter(this);
    return b;
}

QWidget* DocumentSearch::period(QLineEdit* from, QLineEdit* to) { return PeriodLine(this, from, to, QStringLiteral("đến ngày")); }

DBGrid* DocumentSearch::pickGrid(const char* name) { return NamedPickGrid(this, name); }

void DocumentSearch::finish(const QList<QPair<QString, QWidget*>>& rows, const QString& helpFirstLine)
{
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Chọn năm định tra cứu :"), this), 0, 0);
    grid->addWidget(Combonamlamviec, 0, 1);
    int r = 1;
    for (const auto& [label, w] : rows) {
        auto* l = new QLabel(label, this);
        l->setBuddy(w);
        grid->addWidget(l, r, 0);
        grid->addWidget(w, r, 1);
        ++r;
    }
    grid->addWidget(chkkhongdau, r, 1);
    grid->setColumnStretch(1, 1);
    lblhuongdan->setText(helpFirstLine + ConditionSignsHelp());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdtracuu, cmdxoa, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    auto* help = new QLabel(this);
    help->setText(lblhuongdan->text().replace(QLatin1Char('\r'), QLatin1Char('\n')));
    help->setStyleSheet(QStringLiteral("color: #1a3d7c;"));
    lblhuongdan->hide();  // its text, with carriage returns, is what the window keeps; shown below
    layout->addWidget(help);
    for (const Pick& p : picks_) {
        if (p.singleClick) {
            connect(p.grid, &QAbstractItemView::clicked, this, [this, p](const QModelIndex& i) { pick(p, i.row()); });
            connect(p.grid, &DBGrid::RowEntered, this, [this, p](int row) { pick(p, row); });
        } else {
            connect(p.grid, &DBGrid::RowDoubleClicked, this, [this, p](int row) { pick(p, row); });
        }
    }
    PressButtonsWithEnter(this);
    // Keys go through the conditions in the order they are shown, then the buttons.
    QList<QWidget*> order = {Combonamlamviec};
    for (const Condition& c : conditions_) {
        order.append(c.box);
        if (c.to) order.append(c.to);
    }
    order += {chkkhongdau, cmdtracuu, cmdxoa, cmdclose};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    FillYears();
    useReferenceLists();
    resize(640, 520);
}

void DocumentSearch::FillYears()
{
    const QString chosen = Combonamlamviec->currentText();
    Combonamlamviec->clear();
    try {
        for (const QString& name : app_.DocDb->TableNames()) {
            const QString t = name.trimmed().toLower();
            // "cvden" or "cvdi" and a year of four digits: the template tables are no year.
            if (t.size() == prefix_.size() + 4 && t.startsWith(prefix_) && IsWorkYear(t.right(4))) Combonamlamviec->addItem(t.right(4));
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
    const QString working = (prefix_ == QLatin1String("cvden") ? app_.InDocTable : app_.OutDocTable).right(4);
    const int kept = chosen.isEmpty() ? -1 : Combonamlamviec->findText(chosen);
    Combonamlamviec->setCurrentIndex(kept >= 0 ? kept : Combonamlamviec->findText(working));
}

void DocumentSearch::setList(const Pick& p, engine::Recordset* rs)
{
    const QStringList fields = rs ? rs->FieldNames() : QStringList();
    const bool reference = fields.contains(QStringLiteral("chutat"), Qt::CaseInsensitive);
    const bool types = p.reference == QLatin1String("loaicv");
    const QString name = reference ? (types ? QStringLiteral("loai") : QStringLiteral("tendonvi")) : fields.value(0, p.column);
    QList<RecordsetModel::Column> columns = {{name, types ? QStringLiteral("Loại công văn") : QStringLiteral("Tên đơn vị")}};
    if (reference) columns.append({QStringLiteral("chutat"), QStringLiteral("Chữ tắt")});
    p.grid->setProperty("nameColumn", name);
    p.grid->SetSource(rs, columns);
}

void DocumentSearch::openLists(const std::function<std::unique_ptr<engine::Recordset>(const Pick&)>& open)
{
    std::vector<std::unique_ptr<engine::Recordset>> fresh;
    for (const Pick& p : picks_) {
        std::unique_ptr<engine::Recordset> rs;
        try {
            rs = open(p);
        } catch (const engine::DbError& e) {
            app_.RecordFailure(e);
            if (prefix_ == QLatin1String("cvdi")) app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + e.description());
        }
        setList(p, rs.get());
        if (rs) fresh.push_back(std::move(rs));
    }
    lists_ = std::move(fresh);  // no grid shows the old lists any more
}

void DocumentSearch::useReferenceLists()
{
    openLists([this](const Pick& p) {
        engine::Database* db = p.units ? app_.PlanRefDb.get() : app_.DocRefDb.get();
        return db->OpenRecordset(QStringLiteral("select * from %1 order by matt").arg(p.reference), engine::RecordsetType::Snapshot);
    });
}

void DocumentSearch::UseYearLists()
{
    const QString table = prefix_ == QLatin1String("cvden") ? app_.InDocTable : app_.OutDocTable;
    openLists([this, &table](const Pick& p) {
        return app_.DocDb->OpenRecordset(QStringLiteral("select distinct %1 from %2 where %1<>''").arg(p.column, table),
                                         engine::RecordsetType::Snapshot);
    });
    FillYears();
}

// ---- Dates and numbers ---------------------------------------------------------------------

bool DocumentSearch::checkDate(QLineEdit* b) { return CheckDateBox(app_, b, kBadDate, checking_); }

bool DocumentSearch::periodInOrder(const Condition& c, const QString& message, QWidget* focus)
{
    return CheckPeriodBoxes(app_, c.box, c.to, message, focus, checking_);
}

bool DocumentSearch::checkNumber()
{
    if (NumberConditionIsWrong(mstt->text()))
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();  // the message is not shown busy
    return CheckNumberBox(app_, mstt, checking_);
}

// ---- The search ----------------------------------------------------------------------------

bool DocumentSearch::Search()
{
    const QString year = Combonamlamviec->currentText().trimmed();
    if (year.isEmpty()) {
        app_.Message(QStringLiteral("Cần chọn năm để tra cứu trước !"));
        return false;
    }
    const QString table = prefix_ + year;
    // Every date is checked here too: a button pressed with its Alt key leaves the focus in a box.
    for (const Condition& c : conditions_)
        if (c.kind == Condition::Dates && (!checkDate(c.box) || !checkDate(c.to))) return false;
    for (const Condition& c : conditions_)
        if (c.kind == Condition::Dates && !c.orderMessage.isEmpty() && !periodInOrder(c, c.orderMessage, c.box)) return false;
    std::optional<BusyCursor> busy;
    busy.emplace();
    QString clause, validity;
    int count = 0;
    for (const Condition& c : conditions_) {
        switch (c.kind) {
        case Condition::Number:
            NumberCondition(c.box->text(), c.field, clause, count, validity);
            if (validity == QLatin1String("sai")) {
                busy.reset();
                return checkNumber();
            }
            break;
        case Condition::Dates:
            DateRangeCondition(c.box->text().trimmed(), c.to->text().trimmed(), c.field, clause, count);
            break;
        case Condition::Text:
            TextCondition(c.box->text(), c.field, clause, count, chkkhongdau->isChecked());
            break;
        }
    }
    const QString statement = QStringLiteral("SELECT * FROM ") + table + (clause.isEmpty() ? QString() : QStringLiteral(" WHERE ") + clause);
    DocumentList* list = prefix_ == QLatin1String("cvden") ? static_cast<DocumentList*>(frmgridcvden::Instance(app_))
                                                           : static_cast<DocumentList*>(frmgridcvdi::Instance(app_));
    if (!list->KeepPanelEdits()) {  // what was typed into the list shown before is not lost
        busy.reset();
        return false;
    }
    try {
        // The statement runs before the list is touched: one the engine refuses leaves the list
        // and its marks as they were.
        auto rows = app_.DocDb->OpenRecordset(statement, engine::RecordsetType::Dynaset);
        app_.SearchClause = clause;
        app_.SearchTable = table;
        list->ShowRows(statement, table, clause, std::move(rows));
    } catch (const engine::DbError& e) {
        busy.reset();
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return false;
    }
    busy.reset();
    list->show();
    list->raise();
    list->activateWindow();
    return true;
}

void DocumentSearch::ClearConditions()
{
    for (QLineEdit* b : findChildren<QLineEdit*>()) b->clear();
    mstt->setFocus();
}

void DocumentSearch::CloseSearch()
{
    showRegister();
    hide();
}

void DocumentSearch::closeEvent(QCloseEvent* event)
{
    // Closed by its frame: as "Kết thúc"; the window is only hidden, so its conditions stay.
    event->ignore();
    CloseSearch();
}

// ---- Keys and fields -----------------------------------------------------------------------

bool DocumentSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* grid = qobject_cast<DBGrid*>(watched); grid && event->type() == QEvent::KeyRelease &&
                                                      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        for (const Pick& p : picks_)
            if (p.grid == grid) p.box->setFocus();
        return true;
    }
    auto* b = qobject_cast<QLineEdit*>(watched);
    if (b && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        keyReleased(b, KeyCodeOf(key), key->modifiers() & Qt::ShiftModifier);
    } else if (b && event->type() == QEvent::FocusOut && !checking_) {
        fieldLeft(b);
    }
    return QWidget::eventFilter(watched, event);
}

void DocumentSearch::keyReleased(QLineEdit* b, int code, bool shift)
{
    if (code == KeyF1 + 3) {  // F4
        b->clear();
        return;
    }
    if (code == KeyF1 + 4) {  // F5
        if (registerKey(b, code)) return;
        for (const Pick& p : picks_)
            if (p.box == b) {
                p.grid->setGeometry(b->x(), b->y() + b->height(), std::max(b->width(), 360), 180);
                p.grid->show();
                p.grid->raise();
                p.grid->setFocus();
                if (p.grid->model() && p.grid->model()->rowCount() > 0) p.grid->selectRow(0);
                return;
            }
        for (const Condition& c : conditions_)
            if (c.kind == Condition::Dates && (c.box == b || c.to == b)) {
                StepDateBox(app_, b, shift ? -1 : 1);
                return;
            }
        return;
    }
    for (const Expansion& e : expansions_)
        if (e.box == b && e.onKeys) {
            if (engine::Recordset* list = e.list()) ExpandAbbreviation(b, code, *list, e.column);
            return;
        }
}

void DocumentSearch::fieldLeft(QLineEdit* b)
{
    if (b == mstt) {
        checkNumber();
        return;
    }
    for (const Condition& c : conditions_) {
        if (c.kind != Condition::Dates) continue;
        if (b == c.box) {
            checkDate(b);
            return;
        }
        if (b == c.to) {
            if (checkDate(b) && !c.leaveMessage.isEmpty()) periodInOrder(c, c.leaveMessage, c.to);
            return;
        }
    }
    for (const Expansion& e : expansions_)
        if (e.box == b && e.onLeave) {
            if (engine::Recordset* list = e.list()) ExpandAbbreviation(b, KeyLeave, *list, e.column);
            return;
        }
}

void DocumentSearch::pick(const Pick& p, int row)
{
    // A pick adds another "or" to the field's condition.
    const QString name = p.grid->Model()->Field(row, p.grid->property("nameColumn").toString()).toString();
    p.box->setText(p.box->text().trimmed().isEmpty() ? name : p.box->text() + QStringLiteral(", ") + name);
}

// ---- The incoming search -------------------------------------------------------------------

frmtracuucvden::frmtracuucvden(App& app) : DocumentSearch(app, QStringLiteral("cvden"))
{
    setObjectName(QStringLiteral("frmtracuucvden"));
    setWindowTitle(QStringLiteral("Tra cứu công văn đến"));
    mng_den1 = box("mng_den1", 10);
    mng_den2 = box("mng_den2", 10);
    mcd_dang = box("mcd_dang", 50);
    mso_cv = box("mso_cv", 100);
    mmat = box("mmat", 50);
    mnoigui = box("mnoigui", 200);
    DBGriddv_nhan = pickGrid("DBGriddv_nhan");
    DBGridnoigui = pickGrid("DBGridnoigui");
    DBGridloai = pickGrid("DBGridloai");
    conditions_ = {
        {mstt, Condition::Number, QStringLiteral("[stt]")},
        {mng_den1, Condition::Dates, QStringLiteral("[ng_denchuan]"), mng_den2,
         kLaterEnd + QStringLiteral("\r\n") + QStringLiteral("Cần nạp lại 2 mút thời gian ngày đến của công văn!"),
         QStringLiteral("Không đặt thời điểm cuối trước thời điểm đầu") + QStringLiteral("\r\n") + QStringLiteral("Cần nạp lại con số thời gian này!")},
        {mng_cv1, Condition::Dates, QStringLiteral("[ng_cvchuan]"), mng_cv2,
         kLaterEnd + QStringLiteral("\r\n") + QStringLiteral("Cần nạp lại 2 mút thời gian ngày công văn!"),
         kLaterEnd + QStringLiteral("\r\n") + QStringLiteral("Cần nạp lại con số thời gian này!")},
        {mdv_nhan, Condition::Text, QStringLiteral("[dv_nhan]")},
        {mcd_dang, Condition::Text, QStringLiteral("[cd_dang]")},
        {mtt_ndung, Condition::Text, QStringLiteral("[tt_ndung]")},
        {mso_cv, Condition::Text, QStringLiteral("[so_cv]")},
        {mloai, Condition::Text, QStringLiteral("[loai]")},
        {mmat, Condition::Text, QStringLiteral("[mat]")},
        {mnoigui, Condition::Text, QStringLiteral("[noigui]")},
    };
    picks_ = {{DBGriddv_nhan, mdv_nhan, false, QStringLiteral("dv_nhan"), QStringLiteral("donvi"), true},
              {DBGridnoigui, mnoigui, false, QStringLiteral("noigui"), QStringLiteral("noigui"), false},
              {DBGridloai, mloai, false, QStringLiteral("loai"), QStringLiteral("loaicv"), false}};
    auto abbreviations = [this] { return app_.AbbreviationList.get(); };
    expansions_ = {{mtt_ndung, abbreviations, QStringLiteral("chudu"), true, false},
                   {mng_den1, abbreviations, QStringLiteral("chudu"), true, false},
                   {mng_den2, abbreviations, QStringLiteral("chudu"), true, false},
                   {mng_cv1, abbreviations, QStringLiteral("chudu"), true, false},
                   {mng_cv2, abbreviations, QStringLiteral("chudu"), true, false},
                   {mmat, abbreviations, QStringLiteral("chudu"), true, true},
                   {mloai, [this] { return app_.DocTypeList.get(); }, QStringLiteral("loai"), true, true},
                   {mdv_nhan, [this] { return app_.UnitList.get(); }, QStringLiteral("Tendonvi"), true, true},
                   {mnoigui, [this] { return app_.SenderList.get(); }, QStringLiteral("Tendonvi"), true, true}};
    finish({{QStringLiteral("Số đến của CV"), mstt},
            {QStringLiteral("Ngày đến của CV từ  :"), period(mng_den1, mng_den2)},
            {QStringLiteral("Ngày gửi CV từ"), period(mng_cv1, mng_cv2)},
            {QStringLiteral("Nơi nhận CV "), mdv_nhan},
            {QStringLiteral("Phân loại Đảng,NN / Công đoàn"), mcd_dang},
            {QStringLiteral("Tóm tắt nội dung "), mtt_ndung},
            {QStringLiteral("Số CV"), mso_cv},
            {QStringLiteral("Loại công văn"), mloai},
            {QStringLiteral("Độ mật, khẩn"), mmat},
            {QStringLiteral("Nơi gửi CV"), mnoigui}},
           QStringLiteral("Hướng dẫn:   F4 : xoá cả ô      F5: Chọn theo danh sách      F5 và Shift-F5:tăng giảm ô ngày "));
}

frmtracuucvden* frmtracuucvden::Instance(App& app) { return app.Owner().Get<frmtracuucvden>(QStringLiteral("frmtracuucvden")); }

bool frmtracuucvden::registerKey(QLineEdit* b, int code)
{
    if (code != KeyF1 + 4 || b != mcd_dang) return false;
    mcd_dang->setText(mcd_dang->text() == QStringLiteral("Công đoàn") ? QStringLiteral("Đảng,NN") : QStringLiteral("Công đoàn"));
    return true;
}

void frmtracuucvden::showRegister()
{
    QWidget* back = app_.FormMode == QLatin1String("xemcv") ? app_.Window(QStringLiteral("frmcvden")) : nullptr;
    if (!back) back = app_.Window(QStringLiteral("frmMain"));
    if (back) back->show();
}

// ---- The outgoing search -------------------------------------------------------------------

frmtracuucvdi::frmtracuucvdi(App& app) : DocumentSearch(app, QStringLiteral("cvdi"))
{
    setObjectName(QStringLiteral("frmtracuucvdi"));
    setWindowTitle(QStringLiteral("Tra cứu công văn đi"));
    mso_cv = box("mso_cv", 50);
    mnoiluu = box("mnoiluu", 200);
    mnguoiky = box("mnguoiky", 200);
    DBGriddv_nhan = pickGrid("DBGriddv_nhan");
    DBGridnoiluu = pickGrid("DBGridnoiluu");
    DBGridloai = pickGrid("DBGridloai");
    conditions_ = {
        {mstt, Condition::Number, QStringLiteral("[stt]")},
        {mng_cv1, Condition::Dates, QStringLiteral("[ng_cvchuan]"), mng_cv2,
         kLaterEnd + QStringLiteral("\r\n") + QStringLiteral("Cần nạp lại 2 mút thời gian ngày công văn!"),
         kLaterEnd + QStringLiteral("\r\n") + QStringLiteral("Cần nạp lại con số thời gian này!")},
        {mdv_nhan, Condition::Text, QStringLiteral("[dv_nhan]")},
        {mtt_ndung, Condition::Text, QStringLiteral("[tt_ndung]")},
        {mso_cv, Condition::Text, QStringLiteral("[so_cv]")},
        {mloai, Condition::Text, QStringLiteral("[loai]")},
        {mnoiluu, Condition::Text, QStringLiteral("[noiluu]")},
        {mnguoiky, Condition::Text, QStringLiteral("[nguoiky]")},
    };
    picks_ = {{DBGriddv_nhan, mdv_nhan, false, QStringLiteral("dv_nhan"), QStringLiteral("noigui"), false},
              {DBGridnoiluu, mnoiluu, true, QStringLiteral("noiluu"), QStringLiteral("donvi"), true},
              {DBGridloai, mloai, false, QStringLiteral("loai"), QStringLiteral("loaicv"), false}};
    auto abbreviations = [this] { return app_.AbbreviationList.get(); };
    expansions_ = {{mtt_ndung, abbreviations, QStringLiteral("chudu"), true, true},
                   {mnguoiky, abbreviations, QStringLiteral("chudu"), true, true},
                   {mloai, [this] { return app_.DocTypeList.get(); }, QStringLiteral("loai"), true, true},
                   {mdv_nhan, [this] { return app_.SenderList.get(); }, QStringLiteral("tendonvi"), true, true},
                   {mnoiluu, [this] { return app_.UnitList.get(); }, QStringLiteral("tendonvi"), true, true}};
    finish({{QStringLiteral("STT của công văn"), mstt},
            {QStringLiteral("Ngày công văn từ"), period(mng_cv1, mng_cv2)},
            {QStringLiteral("Nơi nhận công văn"), mdv_nhan},
            {QStringLiteral("Tóm tắt nội dung "), mtt_ndung},
            {QStringLiteral("Số CV"), mso_cv},
            {QStringLiteral("Loại công văn"), mloai},
            {QStringLiteral("Nơi lưu công văn"), mnoiluu},
            {QStringLiteral("Người ký"), mnguoiky}},
           QStringLiteral("Hướng dẫn:    F4 : xoá cả ô      F5: Chọn theo danh sách      F5 và Shift-F5:tăng giảm ô ngày "));
}

frmtracuucvdi* frmtracuucvdi::Instance(App& app) { return app.Owner().Get<frmtracuucvdi>(QStringLiteral("frmtracuucvdi")); }

void frmtracuucvdi::showRegister()
{
    QWidget* back = app_.FormMode != QLatin1String("tracuucv") ? app_.Window(QStringLiteral("frmcvdi")) : nullptr;
    if (!back) back = app_.Window(QStringLiteral("frmMain"));
    if (back) back->show();
}

}  // namespace korvane
