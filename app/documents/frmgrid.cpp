#include "frmgrid.h"

#include "app.h"
#include "dates.h"
#include "frmincv.h"
#include "frmtracuu.h"
#include "keys.h"
#include "printing.h"
#include "recordform.h"
#include "sqlfunctions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace korvane {

DocumentList::DocumentList(App& app, Kind kind) : QWidget(nullptr), app_(app), kind_(std::move(kind))
{
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    lbltrangthai = NewListCaption(this);
    lbltrangthai->setText(kind_.caption);
    lblhuongdan = new QLabel(QStringLiteral("Nháy đúp vào đầu dòng định in ở bảng trên để chọn ") +
                                 QStringLiteral("in (có dấu X) hoặc huỷ chọn dòng đó (bỏ dấu X)"),
                             this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setWordWrap(true);
    mrecnum = new QLineEdit(this);
    mrecnum->setObjectName(QStringLiteral("mrecnum"));
    mrecnum->setMaximumWidth(110);
    mrecnum->installEventFilter(this);
    txtle = NewMarginBox(this);
    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    Cmdin = button("Cmdin", QStringLiteral("&In công văn đã chọn"));
    Cmdchontat = button("Cmdchontat", QStringLiteral("&Chọn tất"));
    Cmdhuychon = button("Cmdhuychon", QStringLiteral("&Huỷ chọn"));
    Cmdincvtheongay = button("Cmdincvtheongay", QStringLiteral("In công văn theo &Ngày"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));

    // The panel repeats the register's fields, bound to the same rows as the grid.
    auto* panel = new QGridLayout;
    int r = 0, c = 0;
    for (const Box& b : kind_.panel) {
        QWidget* w = nullptr;
        const QString column = QLatin1String(b.column);
        if (column == QLatin1String("tt_ndung")) {
            auto* t = new BoundTextEdit(column, this);
            t->limit = b.limit;
            t->setFixedHeight(48);
            Data1->Bind(t);
            w = t;
        } else if (column == QLatin1String("da_xuli")) {
            auto* check = new BoundCheckBox(column, b.label, this);
            check->setObjectName(QStringLiteral("Checkdaxuly"));
            Data1->Bind(check);
            w = check;
        } else {
            auto* l = new BoundLineEdit(column, this);
            l->limit = b.limit;
            Data1->Bind(l);
            w = l;
        }
        w->installEventFilter(this);
        boxes_[column] = w;
        const bool wide = column == QLatin1String("tt_ndung") || column == QLatin1String("noigui") || column == QLatin1String("dv_nhan") ||
                          column == QLatin1String("noiluu");
        if (wide && c != 0) {
            ++r;
            c = 0;
        }
        if (column != QLatin1String("da_xuli")) {
            auto* label = new QLabel(b.label, this);
            label->setBuddy(w);
            panel->addWidget(label, r, c);
        }
        panel->addWidget(w, r, c + 1, 1, wide ? 3 : 1);
        if (wide || c == 2) {
            ++r;
            c = 0;
        } else {
            c = 2;
        }
    }
    panel->setColumnStretch(1, 1);
    panel->setColumnStretch(3, 1);

    auto* position = NewMarginRow(txtle);
    position->addWidget(new QLabel(QStringLiteral("Vị trí CV hiện tại :"), this));
    position->addWidget(mrecnum);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Cmdin, Cmdchontat, Cmdhuychon, Cmdincvtheongay, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 3);
    layout->addWidget(lblhuongdan);
    layout->addWidget(lbltrangthai);
    layout->addLayout(panel);
    layout->addLayout(position);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    // Keys go from the grid through the panel as in the register, then the margin, the buttons
    // and the position box.
    QList<QWidget*> order = {DBGrid1};
    for (const QString& column : kind_.tabOrder) order.append(boxes_.at(column));
    order += {txtle, Cmdin, Cmdchontat, Cmdhuychon, Cmdincvtheongay, cmdclose, mrecnum};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    DBGrid1->SetDataSource(Data1, kind_.columns);
    DBGrid1->ShowMarks(QStringLiteral("chonin"), &marks_);
    connect(DBGrid1, &DBGrid::RowDoubleClicked, this, &DocumentList::ToggleMark);
    connect(Data1, &DataSource::Reposition, this, &DocumentList::showPosition);
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) { cancel = !commitPanel(); });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Lỗi dữ liệu : ") + description);
    });
    connect(Cmdin, &QPushButton::clicked, this, &DocumentList::PrintMarked);
    connect(Cmdchontat, &QPushButton::clicked, this, &DocumentList::MarkAll);
    connect(Cmdhuychon, &QPushButton::clicked, this, &DocumentList::ClearMarks);
    connect(Cmdincvtheongay, &QPushButton::clicked, this, &DocumentList::PrintByDate);
    connect(cmdclose, &QPushButton::clicked, this, &DocumentList::CloseList);
    resize(820, 640);
}

DocumentList::~DocumentList() = default;

QWidget* DocumentList::Field(const QString& column) const
{
    const auto it = boxes_.find(column);
    return it == boxes_.end() ? nullptr : it->second;
}

qlonglong DocumentList::currentId() const
{
    const long p = Data1->Position();
    return p >= 0 && p < Data1->Count() ? Data1->Value(QStringLiteral("id")).toLongLong() : 0;
}

void DocumentList::showPosition()
{
    mrecnum->setText(QStringLiteral("%1/%2").arg(Data1->Position() + 1).arg(Data1->Count()));
}

bool DocumentList::KeepPanelEdits() { return commitPanel(); }

void DocumentList::ShowRows(const QString& statement, const QString& table, const QString& clause, std::unique_ptr<engine::Recordset> rows)
{
    table_ = table;
    clause_ = clause;
    fromSearch_ = true;
    marks_.Clear();
    Data1->Database = app_.DocDb.get();
    Data1->RecordSource = statement;
    Data1->SetRecordset(std::move(rows));
    if (Data1->Count() > 0) Data1->MoveFirst();
}

void DocumentList::ShowYear()
{
    if (!commitPanel()) {
        show();
        raise();
        return;
    }
    table_ = kind_.prefix == QLatin1String("cvden") ? app_.InDocTable : app_.OutDocTable;
    clause_.clear();
    fromSearch_ = false;
    marks_.Clear();
    auto rows = app_.DocDb->OpenRecordset(table_, engine::RecordsetType::Dynaset);
    Data1->Database = app_.DocDb.get();
    Data1->RecordSource = table_;
    Data1->SetRecordset(std::move(rows));
    if (Data1->Count() > 0) Data1->MoveLast();
    show();
    raise();
    DBGrid1->setFocus();
}

// What was typed into the panel is written into its row, as a correction the backup copies:
// the date twins follow their dates, the backup mark becomes 2 (a row not yet copied keeps 1).
bool DocumentList::commitPanel()
{
    if (checking_ || !Data1->AnyChanged()) return true;
    QList<QPair<QString, QVariant>> extra;
    for (const Box& b : kind_.panel) {
        if (!b.twin) continue;
        auto* date = static_cast<BoundLineEdit*>(boxes_[QLatin1String(b.column)]);
        QString text = date->text().trimmed();
        if (!text.isEmpty()) {
            const QString checked = CheckDateText(text, app_.Months, app_.Today().year());
            if (checked.isEmpty()) {
                checking_ = true;
                app_.Message(kind_.dateMessage);
                date->setFocus();
                checking_ = false;
                return false;
            }
            date->setText(checked);
        }
        extra.append({QLatin1String(b.twin), NormalDate(date->text())});
    }
    extra.append({QStringLiteral("kieuupdate"), 2});
    extra.append({QStringLiteral("idcu"), currentId()});
    const long p = Data1->Position();
    if (!Data1->UpdateRecord(extra, KeepingUncopiedMark(*Data1, table_, currentId()))) return false;
    if (DBGrid1->Model()) DBGrid1->Model()->RowChanged(static_cast<int>(p));
    return true;
}

// ---- Marks ---------------------------------------------------------------------------------
// The marks are the list's own (see PrintMarks): setting or clearing them writes nothing into the
// shared file, so they work on a file that cannot be written as well.

void DocumentList::ToggleMark(int row)
{
    if (row != Data1->Position() && !Data1->MoveTo(row)) return;
    const qlonglong id = currentId();
    if (id == 0) return;
    marks_.Toggle(id);
    DBGrid1->Model()->RowChanged(row);
}

void DocumentList::refreshAt(qlonglong id)
{
    Data1->Refresh();
    if (id > 0 && Data1->Count() > 0) Data1->FindBookmark(id);  // a row no longer listed: the first row
}

// The steps "Chọn tất" and "Huỷ chọn" share: the panel written, the marks changed by `change`
// when the list holds rows, the list read again on the row it was on.
void DocumentList::changeMarks(const std::function<void()>& change)
{
    if (!commitPanel()) return;
    app_.CurrentDocId = currentId();
    WriteAndReread(app_, [&] { if (Data1->Count() > 0) change(); }, [this] { refreshAt(app_.CurrentDocId); });
}

void DocumentList::MarkAll()
{
    // The rows listed: those of the search, in the year it searched, or the whole year.
    changeMarks([this] { marks_.MarkRows(*app_.DocDb, table_, fromSearch_ ? clause_ : QString()); });
}

void DocumentList::ClearMarks()
{
    changeMarks([this] { marks_.Clear(); });
}

// ---- Printing ------------------------------------------------------------------------------

void DocumentList::PrintMarked()
{
    if (!commitPanel()) return;
    std::optional<BusyCursor> busy;
    busy.emplace();
    if (Data1->Count() == 0) {
        busy.reset();
        app_.Message(kind_.emptyMessage);
        return;
    }
    const QString emptyPrintTable = QStringLiteral("DELETE * FROM ") + kind_.printTable + QStringLiteral(" ;");
    long copied = 0;
    try {
        if (kind_.deleteBeforeCheck) app_.TempDb->Execute(emptyPrintTable);
        if (!marks_.Empty()) {
            // The list's statement is kept under "qrdata1" for whatever else reads it; the print
            // does not depend on it, so a file that cannot be written (read-only, or another
            // clerk writing) still prints.
            const QString source = Data1->RecordSource;
            const QString query = source.startsWith(QLatin1String("cv"), Qt::CaseInsensitive) && !source.contains(QLatin1Char(' '))
                                      ? QStringLiteral("select * from ") + source + QStringLiteral(" order by id")
                                      : source;
            try {
                KeepQuery(*app_.DocDb, QStringLiteral("qrdata1"), query);
            } catch (const engine::DbError& e) {
                app_.RecordFailure(e);
            }
            // The marked rows as the file holds them now, in id order.
            copied = FillPrintTable(*app_.TempDb, kind_.printTable, *app_.DocDb, table_, marks_, QStringLiteral("[id]"));
        }
    } catch (const engine::DbError& e) {
        busy.reset();
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return;
    }
    busy.reset();
    if (copied == 0) {  // nothing marked, or every marked row deleted by another clerk meanwhile
        app_.Message(QStringLiteral("Chưa có công văn nào được chọn để in!"));
        return;
    }
    if (!QFileInfo::exists(TemplatePath(app_, kind_.reportName))) {
        app_.Message(QStringLiteral("Không tìm thấy file report (brcvden.rpt,brcvdi.rpt). ") + QStringLiteral("\r\n\r\n") +
                     QStringLiteral("Cần copy các file này từ đĩa gốc vào thư mục ") + QFileInfo(TemplatePath(app_, kind_.reportName)).absolutePath() +
                     QLatin1Char('.'));
        return;
    }
    AskAndPrint(app_, this, kind_.reportName, QStringLiteral("(Những công văn được chọn)"), txtle->text(), QStringLiteral("congvan.pdf"));
}

void DocumentList::PrintByDate()
{
    if (!commitPanel()) return;
    DBGrid1->setFocus();
    frmincv::Show(app_, kind_.caller, Data1->Value(kind_.dateColumn).toString());
}

// ---- Closing -------------------------------------------------------------------------------

void DocumentList::CloseList()
{
    if (!commitPanel()) return;
    app_.CurrentDocId = currentId();
    DBGrid1->setFocus();
    if (app_.FormMode == QLatin1String("tracuucv")) {
        if (QWidget* search = app_.Window(kind_.searchName)) {
            search->show();
            if (auto* s = qobject_cast<DocumentSearch*>(search)) s->mstt->setFocus();
        }
    } else if (app_.FormMode != QLatin1String("xembangcv")) {
        // Back to the register the search came from, on the listed row when it is one of its rows;
        // the search is done with.
        app_.Owner().Hide(kind_.searchName);
        if (auto* reg = qobject_cast<RecordForm*>(app_.Window(kind_.registerName))) {
            if (app_.CurrentDocId > 0 && reg->Table().compare(table_, Qt::CaseInsensitive) == 0) reg->Data1->FindBookmark(app_.CurrentDocId);
            reg->show();
        }
    } else if (QWidget* main = app_.Window(QStringLiteral("frmMain"))) {
        main->show();
    }
    hide();
}

void DocumentList::closeEvent(QCloseEvent* event)
{
    event->ignore();  // the list is hidden, as "Kết thúc" hides it
    CloseList();
}

bool DocumentList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mrecnum && event->type() == QEvent::KeyRelease && KeyCodeOf(static_cast<QKeyEvent*>(event)) == KeyEnter) {
        const long v = static_cast<long>(engine::leadingNumber(mrecnum->text().toStdString()));
        const long p = Data1->Position(), n = Data1->Count();
        if (v > 0 && v <= n && v != p + 1) Data1->MoveTo(v - 1);
        else showPosition();
        return true;
    }
    if (watched == mrecnum && event->type() == QEvent::FocusIn) QTimer::singleShot(0, mrecnum, &QLineEdit::selectAll);
    return QWidget::eventFilter(watched, event);
}

// ---- The two lists -------------------------------------------------------------------------

frmgridcvden::frmgridcvden(App& app)
    : DocumentList(app, {QStringLiteral("cvden"),
                         QStringLiteral("Xem công văn đến"),
                         {{QStringLiteral("chonin"), QStringLiteral("In")},
                          {QStringLiteral("stt"), QStringLiteral("Số đến")},
                          {QStringLiteral("ng_den"), QStringLiteral("Ngày đến")},
                          {QStringLiteral("noigui"), QStringLiteral("Nơi gửi")}},
                         {{"stt", QStringLiteral("Đánh số CV đến"), 20},
                          {"ng_den", QStringLiteral("Ngày đến cơ quan"), 10, "ng_denchuan"},
                          {"cd_dang", QStringLiteral("Đảng,NN / Công đoàn"), 10},
                          {"loai", QStringLiteral("Loại công văn"), 50},
                          {"noigui", QStringLiteral("Nơi gửi"), 100},
                          {"so_cv", QStringLiteral("Số công văn"), 50},
                          {"ng_cv", QStringLiteral("Ngày công văn"), 10, "ng_cvchuan"},
                          {"tt_ndung", QStringLiteral("Tóm tắt nội dung công văn"), 255},
                          {"dv_nhan", QStringLiteral("Nơi nhận công văn"), 150},
                          {"mat", QStringLiteral("Độ mật"), 20},
                          {"da_xuli", QStringLiteral("Đã xử lý xong"), 0}},
                         QStringLiteral("incvden"),
                         QStringLiteral("brcvden.rpt"),
                         QStringLiteral("Chưa có công văn nào được nạp !"),
                         QStringLiteral("frmgridcvden"),
                         QStringLiteral("ng_den"),
                         QStringLiteral("frmcvden"),
                         QStringLiteral("frmtracuucvden"),
                         false,
                         QStringLiteral("Cần nhập lại ngày tháng năm cho đúng!"),
                         {QStringLiteral("ng_den"), QStringLiteral("cd_dang"), QStringLiteral("loai"), QStringLiteral("noigui"),
                          QStringLiteral("so_cv"), QStringLiteral("ng_cv"), QStringLiteral("tt_ndung"), QStringLiteral("dv_nhan"),
                          QStringLiteral("mat"), QStringLiteral("da_xuli"), QStringLiteral("stt")}})
{
    setObjectName(QStringLiteral("frmgridcvden"));
    setWindowTitle(QStringLiteral("Danh sách công văn đến"));
}

frmgridcvden* frmgridcvden::Instance(App& app) { return app.Owner().Get<frmgridcvden>(QStringLiteral("frmgridcvden")); }

frmgridcvdi::frmgridcvdi(App& app)
    : DocumentList(app, {QStringLiteral("cvdi"),
                         QStringLiteral("Xem công văn đi"),
                         {{QStringLiteral("chonin"), QStringLiteral("In")},
                          {QStringLiteral("stt"), QStringLiteral("Số đi")},
                          {QStringLiteral("ng_cv"), QStringLiteral("Ngày CV")},
                          {QStringLiteral("so_cv"), QStringLiteral("Số CV")},
                          {QStringLiteral("tt_ndung"), QStringLiteral("Nội dung")}},
                         {{"loai", QStringLiteral("Loại công văn"), 50},
                          {"stt", QStringLiteral("Cho số CV đi"), 20},
                          {"so_cv", QStringLiteral("Số công văn"), 50},
                          {"ng_cv", QStringLiteral("Ngày công văn"), 10, "ng_cvchuan"},
                          {"dv_nhan", QStringLiteral("Nơi nhận"), 200},
                          {"tt_ndung", QStringLiteral("Tóm tắt nội dung công văn"), 255},
                          {"nguoiky", QStringLiteral("Người ký"), 50},
                          {"noiluu", QStringLiteral("Nơi lưu công văn"), 100}},
                         QStringLiteral("incvdi"),
                         QStringLiteral("brcvdi.rpt"),
                         QStringLiteral("Không có công văn nào!"),
                         QStringLiteral("frmgridcvdi"),
                         QStringLiteral("ng_cv"),
                         QStringLiteral("frmcvdi"),
                         QStringLiteral("frmtracuucvdi"),
                         true,
                         QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"),
                         {QStringLiteral("loai"), QStringLiteral("so_cv"), QStringLiteral("ng_cv"), QStringLiteral("dv_nhan"),
                          QStringLiteral("tt_ndung"), QStringLiteral("nguoiky"), QStringLiteral("noiluu"), QStringLiteral("stt")}})
{
    setObjectName(QStringLiteral("frmgridcvdi"));
    setWindowTitle(QStringLiteral("Danh sách công văn đi"));
}

frmgridcvdi* frmgridcvdi::Instance(App& app) { return app.Owner().Get<frmgridcvdi>(QStringLiteral("frmgridcvdi")); }

}  // namespace korvane
