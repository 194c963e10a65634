#include "frmgridcongviec.h"

#include "frmcongviec.h"
#include "keys.h"
#include "planfields.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace korvane {

namespace {

// The table a SELECT reads: the name after its FROM.
QString TableOf(const QString& statement)
{
    static const QRegularExpression from(QStringLiteral("\\bfrom\\s+\\[?([A-Za-z0-9_]+)"), QRegularExpression::CaseInsensitiveOption);
    return from.match(statement).captured(1);
}

}  // namespace

frmgridcongviec::frmgridcongviec(App& app)
    : ListWindow(app, "frmgridcongviec", QStringLiteral("Danh sách công việc"), &App::PlanDb),
      plan_(std::make_unique<PlanFields>(app, this, Data1,
                                         PlanFields::Names{"Txttendonvi", "txtbophan", "txtnguoichidao", "txtchidao", "Check1", "Check2",
                                                           QStringLiteral("Công việc khẩn"), QStringLiteral("Công việc đã hoàn thành")})),
      txtid(plan_->id), Txttendonvi(plan_->unit), txtbophan(plan_->department), txtloai(plan_->type), txtndungtt(plan_->summary),
      Txttgianbdau(plan_->start), Txttgiankthuc(plan_->end), txttgianbdauchuan(plan_->startNormal), txttgiankthucchuan(plan_->endNormal),
      txtnguoichidao(plan_->director), txtchidao(plan_->direction), txtcanbo(plan_->officers), mngaycapnhat(plan_->savedOn),
      mngaycapnhatchuan(plan_->savedOnNormal), mnguoicapnhat(plan_->savedBy), txtndungct(plan_->detail), txtketqua(plan_->result),
      Check1(plan_->urgent), Check2(plan_->finished), DBCombodonvi(plan_->unitList), DBCombophong(plan_->departmentList),
      DBComboloai(plan_->typeList)
{
    editButtons(false);
    cmdin = printButton("cmdin", QStringLiteral("&In"));
    exportButton();
    closeButton();

    // The panel: each field under its caption, the pick lists beside the boxes they fill.
    auto* panel = new QGridLayout;
    int row = 0;
    auto add = [&](const QString& caption, QWidget* field, QWidget* list = nullptr) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        panel->addWidget(label, row, 0);
        panel->addWidget(field, row, 1, 1, list ? 1 : 2);
        if (list) panel->addWidget(list, row, 2);
        ++row;
    };
    add(QStringLiteral("Mã số :"), txtid);
    add(QStringLiteral("Đơn vị"), Txttendonvi, DBCombodonvi);
    add(QStringLiteral("Bộ phận"), txtbophan, DBCombophong);
    add(QStringLiteral("Loại :"), txtloai, DBComboloai);
    add(QStringLiteral("Tên hay tóm tắt  công việc"), txtndungtt);
    add(QStringLiteral("Nội dung công việc"), txtndungct);
    add(QStringLiteral("Bắt đầu"), Txttgianbdau);
    add(QStringLiteral("Kết thúc"), Txttgiankthuc);
    add(QStringLiteral("Người chỉ đạo"), txtnguoichidao);
    add(QStringLiteral("Tóm tắt ý kiến chỉ đạo"), txtchidao);
    add(QStringLiteral("Người thực hiện chính"), txtcanbo);
    add(QStringLiteral("Kết quả thực hiện"), txtketqua);
    auto* flags = new QHBoxLayout;
    flags->addWidget(Check1);
    flags->addWidget(Check2);
    flags->addStretch();
    panel->addLayout(flags, row++, 1, 1, 2);
    panel->setColumnStretch(1, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(lbltrangthai);
    right->addLayout(panel);
    right->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(DBGrid1, 2);
    body->addLayout(right, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttonRow(true));

    modes_ = {QStringLiteral("xemkehoach"), QString(), QStringLiteral("suakehoach"), QStringLiteral("xem, sửa nội dung công việc"), QString(),
              QStringLiteral("sửa nội dung công việc")};
    print_.report = QStringLiteral("brkehoach.rpt");
    print_.pdfName = QStringLiteral("kehoach.pdf");
    print_.emptyMessage = QStringLiteral("Chưa có công việc nào được nhập!");
    print_.keptQuery = QStringLiteral("QrIn");
    back_ = {QStringLiteral("tracuukehoach"), QStringLiteral("frmtracuukh")};
    dataErrorPrefix_ = QStringLiteral("Data error event hit err:");
    homeField_ = keptFocus_ = deletedFocus_ = txtndungtt;
    panel_ = plan_->texts;
    viewingOnly_.append(cmdclose);
    editingOnly_ = {DBCombodonvi, DBCombophong, DBComboloai};
    showColumns({{QStringLiteral("ndungtt"), QStringLiteral("Tên hay tóm tắt công việc")}}, false);
    // A click in a pick list, while correcting, fills only the name box.
    const QList<QPair<DBCombo*, QLineEdit*>> picks = {{DBCombodonvi, Txttendonvi}, {DBCombophong, txtbophan}, {DBComboloai, txtloai}};
    for (const auto& [list, box] : picks)
        connect(list, &DBCombo::ListClicked, this, [this, box](const QString& name) {
            if (!Editing()) return;
            box->setText(name);
            txtndungtt->setFocus();
        });
    finish(plan_->texts + QList<QWidget*>{Check1, Check2}, QSize(900, 600));
}

frmgridcongviec::~frmgridcongviec() = default;

frmgridcongviec* frmgridcongviec::Instance(App& app) { return app.Owner().Get<frmgridcongviec>(QStringLiteral("frmgridcongviec")); }

// ---- Opening -------------------------------------------------------------------------------

void frmgridcongviec::ShowYear()
{
    const QString statement = QStringLiteral("SELECT * FROM ") + app_.PlanTable + QStringLiteral(" ORDER BY tgianbdauchuan+tgiankthucchuan ");
    auto rows = app_.PlanDb->OpenRecordset(statement, engine::RecordsetType::Dynaset);
    open(statement, app_.PlanTable, std::move(rows), app_.FormMode == QLatin1String("xemgridkehoach"));
}

void frmgridcongviec::ShowFound(const QString& statement, std::unique_ptr<engine::Recordset> rows)
{
    open(statement, TableOf(statement), std::move(rows), false);
}

// The window as loaded anew: viewing, the margin of a fresh window, the rows given, the first
// one current.
void frmgridcongviec::open(const QString& statement, const QString& table, std::unique_ptr<engine::Recordset> rows, bool checksLocked)
{
    checksLocked_ = checksLocked;
    txtle->setText(QStringLiteral("10"));
    showRows(statement, table, QString(), false, std::move(rows));
    plan_->OpenLists(table_);
    BringToFront(this, DBGrid1);
}

// ---- The panel -----------------------------------------------------------------------------

// Opened from the main window the flags can only be read; elsewhere they follow the mode.
void frmgridcongviec::modeSet(bool viewing)
{
    Check1->setEnabled(!viewing && !checksLocked_);
    Check2->setEnabled(!viewing && !checksLocked_);
}

// Before another row becomes current: while correcting the plan is saved as "Ghi đĩa" saves it,
// or the row stays; nothing else typed is written.
bool frmgridcongviec::leaveRow()
{
    if (Editing() && plan_->Changed()) return Save();
    Data1->ClearChanged();
    if (Editing()) setMode(modes_.view);
    return true;
}

bool frmgridcongviec::panelChanged() const { return plan_->Changed(); }

// A button pressed with its Alt key leaves the focus in its box, so the dates are checked here
// too; the start may also have been changed after the end was checked.
bool frmgridcongviec::readyToSave() { return plan_->RequiredFilled() && plan_->CheckStart() && plan_->CheckEnd(); }

bool frmgridcongviec::writePanel() { return plan_->Write(table_); }

void frmgridcongviec::saved(bool added, long position, bool reread)
{
    ListWindow::saved(added, position, reread);
    plan_->ReadTypes(table_);
}

bool frmgridcongviec::deleteCurrent() { return plan_->DeleteCurrent(table_); }

void frmgridcongviec::panelKey(QWidget* field, QKeyEvent* key)
{
    if (plan_->texts.contains(field)) plan_->KeyReleased(field, KeyCodeOf(key));
}

bool frmgridcongviec::fieldLeft(QWidget* field)
{
    if (field == Txttgianbdau) return plan_->CheckStart();
    if (field == Txttgiankthuc) return plan_->CheckEnd();
    return true;
}

bool frmgridcongviec::checking() const { return plan_->Checking(); }

// ---- Printing and closing ------------------------------------------------------------------

QString frmgridcongviec::PrintQuery(const QString& statement)
{
    const qsizetype from = statement.indexOf(QLatin1String("from"), 0, Qt::CaseInsensitive);
    return QStringLiteral("select Tendonvi,ndungtt,Tgianbdau,tgianbdauchuan,Tgiankthuc,ketthuc,chidao,nguoichidao,") +
           QStringLiteral("tgiankthucchuan,canbo,left(ketqua,250) as nhomcongviec ") + (from >= 0 ? statement.mid(from) : statement);
}

QString frmgridcongviec::missingTemplate(const QString& path) const
{
    return QStringLiteral("Không tìm thấy file ") + QDir::toNativeSeparators(path) + QStringLiteral("\r\n") +
           QStringLiteral("Cần copy file này từ đĩa Chương trình gốc vào thư mục Data.");
}

bool frmgridcongviec::backToRegister(qlonglong id)
{
    const QStringList fromRegister = {QStringLiteral("timkiemkehoach"), QStringLiteral("xembangkehoach"), QStringLiteral("xemkehoach")};
    frmcongviec* reg = fromRegister.contains(app_.FormMode) ? frmcongviec::Find(app_) : nullptr;
    return reg && backTo(app_.PlanTable, id, [reg](qlonglong row) { reg->ComeBack(row); });
}

}  // namespace korvane
