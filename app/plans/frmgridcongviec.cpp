#include "frmgridcongviec.h"

#include "app.h"
#include "frmcongviec.h"
#include "planfields.h"
#include "keys.h"
#include "printing.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kView = QStringLiteral("xemkehoach");
const QString kEdit = QStringLiteral("suakehoach");
const QString kReport = QStringLiteral("brkehoach.rpt");

// The table a SELECT reads: the name after its FROM.
QString TableOf(const QString& statement)
{
    static const QRegularExpression from(QStringLiteral("\\bfrom\\s+\\[?([A-Za-z0-9_]+)"), QRegularExpression::CaseInsensitiveOption);
    return from.match(statement).captured(1);
}

}  // namespace

frmgridcongviec::frmgridcongviec(App& app) : QWidget(nullptr), app_(app), mode_(kView)
{
    setObjectName(QStringLiteral("frmgridcongviec"));
    setWindowTitle(QStringLiteral("Danh sách công việc"));
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));

    plan_ = std::make_unique<PlanFields>(app, this, Data1,
                                         PlanFields::Names{"Txttendonvi", "txtbophan", "txtnguoichidao", "txtchidao", "Check1", "Check2",
                                                           QStringLiteral("Công việc khẩn"), QStringLiteral("Công việc đã hoàn thành")});
    const PlanFields& f = *plan_;
    txtid = f.id;
    Txttendonvi = f.unit;
    txtbophan = f.department;
    txtloai = f.type;
    txtndungtt = f.summary;
    txtndungct = f.detail;
    Txttgianbdau = f.start;
    Txttgiankthuc = f.end;
    txttgianbdauchuan = f.startNormal;
    txttgiankthucchuan = f.endNormal;
    txtnguoichidao = f.director;
    txtchidao = f.direction;
    txtcanbo = f.officers;
    txtketqua = f.result;
    Check1 = f.urgent;
    Check2 = f.finished;
    mngaycapnhat = f.savedOn;
    mngaycapnhatchuan = f.savedOnNormal;
    mnguoicapnhat = f.savedBy;
    DBCombodonvi = f.unitList;
    DBCombophong = f.departmentList;
    DBComboloai = f.typeList;

    lbltrangthai = NewListCaption(this);
    txtle = NewMarginBox(this);

    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    Cmdsua = button("Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá"));
    cmdin = button("cmdin", QStringLiteral("&In"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));

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
    auto* buttons = NewMarginRow(txtle);
    for (QPushButton* b : {Cmdsua, cmdUpdate, cmdxoa, cmdin, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    ChainTabOrder(QList<QWidget*>{DBGrid1} + plan_->texts + QList<QWidget*>{Check1, Check2, txtle, Cmdsua, cmdUpdate, cmdxoa, cmdin, cmdclose});

    DBGrid1->SetDataSource(Data1, {{QStringLiteral("ndungtt"), QStringLiteral("Tên hay tóm tắt công việc")}});
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) { cancel = !leaveRow(); });
    connect(Data1, &DataSource::Reposition, this, &frmgridcongviec::applyRights);
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + description);
    });
    connect(Cmdsua, &QPushButton::clicked, this, &frmgridcongviec::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdxoa, &QPushButton::clicked, this, &frmgridcongviec::Delete);
    connect(cmdin, &QPushButton::clicked, this, &frmgridcongviec::Print);
    connect(cmdclose, &QPushButton::clicked, this, &frmgridcongviec::CloseList);
    // A click in a pick list, while correcting, fills only the name box.
    const QList<QPair<DBCombo*, QLineEdit*>> picks = {{DBCombodonvi, Txttendonvi}, {DBCombophong, txtbophan}, {DBComboloai, txtloai}};
    for (const auto& [list, box] : picks)
        connect(list, &DBCombo::ListClicked, this, [this, box](const QString& name) {
            if (!Editing()) return;
            box->setText(name);
            txtndungtt->setFocus();
        });
    setMode(kView);
    resize(900, 600);
}

frmgridcongviec::~frmgridcongviec() = default;

frmgridcongviec* frmgridcongviec::Instance(App& app) { return app.Owner().Get<frmgridcongviec>(QStringLiteral("frmgridcongviec")); }

bool frmgridcongviec::Editing() const { return mode_ == kEdit; }

bool frmgridcongviec::ReleaseData()
{
    if (!Editing()) return true;
    if (plan_->Changed()) {
        const QString answer = KeepTypingQuestion(app_, *Data1);
        if (answer == QLatin1String("yes")) return Save();
        if (answer != QLatin1String("no")) return false;  // no answer: the plan stays as typed
    }
    Data1->ClearChanged();
    setMode(kView);
    return true;
}

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
    Data1->ClearChanged();
    mode_ = kView;
    statement_ = statement;
    table_ = table;
    checksLocked_ = checksLocked;
    txtle->setText(QStringLiteral("10"));
    LoadRows(*Data1, app_.PlanDb.get(), statement, std::move(rows));
    plan_->OpenLists(table_);
    setMode(kView);
    BringToFront(this, DBGrid1);
}

// ---- Modes and rights ----------------------------------------------------------------------

void frmgridcongviec::setMode(const QString& mode)
{
    mode_ = mode;
    const bool viewing = mode == kView;
    ShowStatus(lbltrangthai, viewing ? QStringLiteral("xem, sửa nội dung công việc") : QStringLiteral("sửa nội dung công việc"), !viewing);
    Cmdsua->setText(viewing ? QStringLiteral("&Sửa") : QStringLiteral("&Huỷ sửa"));
    SetReadOnly(plan_->texts, viewing);
    // Opened from the main window the flags can only be read; elsewhere they follow the mode.
    Check1->setEnabled(!viewing && !checksLocked_);
    Check2->setEnabled(!viewing && !checksLocked_);
    for (DBCombo* list : {DBCombodonvi, DBCombophong, DBComboloai}) list->setEnabled(!viewing);
    cmdUpdate->setEnabled(!viewing);
    cmdin->setEnabled(viewing);
    cmdclose->setEnabled(viewing);
    applyRights();
}

// In viewing, "Sửa" and "Xoá" are offered on a plan the user may change; while correcting, "Huỷ
// sửa" is, and "Xoá" is not.
void frmgridcongviec::applyRights()
{
    if (Editing()) {
        Cmdsua->setEnabled(true);
        cmdxoa->setEnabled(false);
        return;
    }
    const bool allowed = plan_->MayChangeCurrent();
    Cmdsua->setEnabled(allowed);
    cmdxoa->setEnabled(allowed);
}

// ---- Correct, save, delete -----------------------------------------------------------------

void frmgridcongviec::Correct()
{
    if (Editing()) {  // "Huỷ sửa": the plan as the file holds it
        Data1->ClearChanged();
        Data1->UpdateControls();
        setMode(kView);
        txtndungtt->setFocus();
        return;
    }
    if (!plan_->MayChangeCurrent()) {
        QApplication::beep();
        return;
    }
    setMode(kEdit);
    txtndungtt->setFocus();
}

// Before another row becomes current: while viewing nothing typed is written (the boxes are
// locked); while correcting the plan is saved as "Ghi đĩa" saves it, or the row stays.
bool frmgridcongviec::leaveRow()
{
    if (!Editing()) {
        Data1->ClearChanged();
        return true;
    }
    if (!plan_->Changed()) {
        Data1->ClearChanged();
        setMode(kView);
        return true;
    }
    return Save();
}

bool frmgridcongviec::Save()
{
    if (!Editing()) return true;
    if (!plan_->Changed()) {
        Data1->ClearChanged();
        Data1->UpdateControls();
        setMode(kView);
        txtndungtt->setFocus();
        return true;
    }
    // A button pressed with its Alt key leaves the focus in its box, so the dates are checked
    // here too; the start may also have been changed after the end was checked.
    if (!plan_->RequiredFilled() || !plan_->CheckStart() || !plan_->CheckEnd()) return false;
    const long position = Data1->Position();
    if (!plan_->Write(table_)) return false;  // still correcting, as typed
    if (DBGrid1->Model()) DBGrid1->Model()->RowChanged(static_cast<int>(position));
    plan_->ReadTypes(table_);
    setMode(kView);
    txtndungtt->setFocus();
    return true;
}

void frmgridcongviec::Delete()
{
    if (Editing()) return;
    if (!plan_->MayChangeCurrent()) {
        QApplication::beep();
        return;
    }
    // Only an explicit "yes" deletes; "no", Esc and the window's frame keep the row.
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá dòng này không ?"), QStringLiteral("yesno")) != QLatin1String("yes")) {
        txtndungtt->setFocus();
        return;
    }
    plan_->DeleteCurrent(table_);
    txtndungtt->setFocus();
}

// ---- Dates ---------------------------------------------------------------------------------

bool frmgridcongviec::fieldLeft(QWidget* field)
{
    if (plan_->Checking() || !Editing()) return true;
    if (field == Txttgianbdau) return plan_->CheckStart();
    if (field == Txttgiankthuc) return plan_->CheckEnd();
    return true;
}

// ---- Printing ------------------------------------------------------------------------------

QString frmgridcongviec::PrintQuery(const QString& statement)
{
    const qsizetype from = statement.indexOf(QLatin1String("from"), 0, Qt::CaseInsensitive);
    return QStringLiteral("select Tendonvi,ndungtt,Tgianbdau,tgianbdauchuan,Tgiankthuc,ketthuc,chidao,nguoichidao,") +
           QStringLiteral("tgiankthucchuan,canbo,left(ketqua,250) as nhomcongviec ") + (from >= 0 ? statement.mid(from) : statement);
}

void frmgridcongviec::Print()
{
    if (Editing()) return;
    if (Data1->Count() == 0) {
        app_.Message(QStringLiteral("Chưa có công việc nào được nhập!"));
        return;
    }
    // The print reads the statement this list was opened with; the saved query "QrIn" is
    // written as well when the file lets it, for whatever else reads it. A file that cannot be
    // written (read-only, or another clerk writing) still prints.
    const QString query = PrintQuery(statement_);
    try {
        BusyCursor busy;
        KeepQuery(*app_.PlanDb, QStringLiteral("QrIn"), query);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
    // No question about where to print when nothing can be printed.
    const QString templateFile = TemplatePath(app_, kReport);
    if (!QFileInfo::exists(templateFile)) {
        app_.Message(QStringLiteral("Không tìm thấy file ") + QDir::toNativeSeparators(templateFile) + QStringLiteral("\r\n") +
                     QStringLiteral("Cần copy file này từ đĩa Chương trình gốc vào thư mục Data."));
        return;
    }
    AskAndPrint(app_, this, kReport, QString(), txtle->text(), QStringLiteral("kehoach.pdf"), query);
}

// ---- Closing -------------------------------------------------------------------------------

void frmgridcongviec::CloseList()
{
    // A plan being corrected is kept or dropped as the clerk answers; no answer goes on with it.
    if (!ReleaseData()) return;
    const qlonglong id = plan_->CurrentId();
    app_.CurrentDocId = static_cast<long>(id);
    const QString& mode = app_.FormMode;
    hide();
    if (mode == QLatin1String("tracuukehoach")) return ShowBack(app_, app_.Window(QStringLiteral("frmtracuukh")));
    if (mode == QLatin1String("timkiemkehoach") || mode == QLatin1String("xembangkehoach") || mode == QLatin1String("xemkehoach")) {
        if (frmcongviec* reg = frmcongviec::Find(app_)) {
            // A plan of another year's table is no plan of the register's.
            ShowingDataErrors(app_, [&] { reg->ComeBack(table_.compare(app_.PlanTable, Qt::CaseInsensitive) == 0 ? id : 0); });
            return;
        }
    }
    ShowBack(app_, nullptr);
}

void frmgridcongviec::closeEvent(QCloseEvent* event)
{
    event->ignore();  // hidden, as "Kết thúc" hides it, after the keep question
    CloseList();
}

// ---- Keys ----------------------------------------------------------------------------------

bool frmgridcongviec::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyRelease) keyReleased(field, static_cast<QKeyEvent*>(event));
    else if (event->type() == QEvent::FocusOut) fieldLeft(field);
    return QWidget::eventFilter(watched, event);
}

void frmgridcongviec::keyReleased(QWidget* field, QKeyEvent* event)
{
    if (Editing() && plan_->texts.contains(field)) plan_->KeyReleased(field, KeyCodeOf(event));
}

}  // namespace korvane
