#include "frmgrid.h"

#include "dates.h"
#include "frmincv.h"
#include "printing.h"
#include "recordform.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

QString prefixOf(bool incoming) { return incoming ? QStringLiteral("cvden") : QStringLiteral("cvdi"); }

}  // namespace

DocumentList::DocumentList(App& app, const char* name, const QString& title, Kind kind)
    : ListWindow(app, name, title, &App::DocDb), kind_(std::move(kind))
{
    lbltrangthai->setText(kind_.caption);
    lblhuongdan = new QLabel(QStringLiteral("Nháy đúp vào đầu dòng định in ở bảng trên để chọn ") +
                                 QStringLiteral("in (có dấu X) hoặc huỷ chọn dòng đó (bỏ dấu X)"),
                             this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setWordWrap(true);
    positionBox();
    Cmdin = printButton("Cmdin", QStringLiteral("&In công văn đã chọn"));
    exportButton();
    markButtons();
    Cmdincvtheongay = button("Cmdincvtheongay", QStringLiteral("In công văn theo &Ngày"));
    closeButton();
    connect(Cmdincvtheongay, &QPushButton::clicked, this, &DocumentList::PrintByDate);

    // The panel repeats the register's fields, bound to the same rows as the grid: two to a
    // line, the long ones alone on theirs.
    auto* panel = new QGridLayout;
    int r = 0, c = 0;
    for (const Box& b : kind_.panel) {
        const QString column = QLatin1String(b.column);
        BoundField* f = nullptr;
        if (column == QLatin1String("tt_ndung")) {
            auto* t = new BoundTextEdit(column, this);
            t->limit = b.limit;
            t->setFixedHeight(48);
            f = t;
        } else if (column == QLatin1String("da_xuli")) {
            f = new BoundCheckBox(column, b.label, this);
            f->widget()->setObjectName(QStringLiteral("Checkdaxuly"));
        } else {
            auto* l = new BoundLineEdit(column, this);
            l->limit = b.limit;
            f = l;
        }
        Data1->Bind(f);
        QWidget* w = boxes_[column] = f->widget();
        const bool wide = QStringList{QStringLiteral("tt_ndung"), QStringLiteral("noigui"), QStringLiteral("dv_nhan"), QStringLiteral("noiluu")}.contains(column);
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
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 3);
    layout->addWidget(lblhuongdan);
    layout->addWidget(lbltrangthai);
    layout->addLayout(panel);
    layout->addLayout(position);
    layout->addLayout(buttonRow(false));

    dataErrorPrefix_ = QStringLiteral("Lỗi dữ liệu : ");
    print_ = kind_.print;
    back_ = {QStringLiteral("tracuucv"), QStringLiteral("frmtracuu") + prefixOf(kind_.incoming), "mstt"};
    showColumns(kind_.columns, true);
    // Keys go from the grid through the panel as in the register, then the margin, the buttons
    // and the position box.
    QList<QWidget*> order;
    for (const QString& column : kind_.tabOrder) order.append(boxes_.at(column));
    finish(order, QSize(820, 640));
}

DocumentList::~DocumentList() = default;

QWidget* DocumentList::Field(const QString& column) const
{
    const auto it = boxes_.find(column);
    return it == boxes_.end() ? nullptr : it->second;
}

void DocumentList::ShowRows(const QString& statement, const QString& table, const QString& clause, std::unique_ptr<engine::Recordset> rows)
{
    showRows(statement, table, clause, true, std::move(rows));
}

void DocumentList::ShowYear()
{
    if (!commitPanel()) {  // the list as it was, the refused box in focus
        show();
        raise();
        return;
    }
    const QString table = kind_.incoming ? app_.InDocTable : app_.OutDocTable;
    auto rows = app_.DocDb->OpenRecordset(table, engine::RecordsetType::Dynaset);
    showRows(table, table, QString(), false, std::move(rows));
    Data1->MoveLast();
    BringToFront(this, DBGrid1);
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

// ---- Printing ------------------------------------------------------------------------------

// The list's statement, kept under "qrdata1": a year table is read in id order.
QString DocumentList::printStatement() const
{
    const bool table = statement_.startsWith(QLatin1String("cv"), Qt::CaseInsensitive) && !statement_.contains(QLatin1Char(' '));
    return table ? QStringLiteral("select * from ") + statement_ + QStringLiteral(" order by id") : statement_;
}

QString DocumentList::missingTemplate(const QString& path) const
{
    return QStringLiteral("Không tìm thấy file report (brcvden.rpt,brcvdi.rpt). ") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("Cần copy các file này từ đĩa gốc vào thư mục ") + QFileInfo(path).absolutePath() + QLatin1Char('.');
}

void DocumentList::PrintByDate()
{
    if (!commitPanel()) return;
    DBGrid1->setFocus();
    frmincv::Show(app_, objectName(), Data1->Value(kind_.dateColumn).toString());
}

// Back to the register the search came from, on the listed row when it is one of its rows; the
// search is done with. From the main window's "Xem" the main window comes back.
bool DocumentList::backToRegister(qlonglong id)
{
    if (app_.FormMode == QLatin1String("xembangcv")) return false;
    app_.Owner().Hide(QStringLiteral("frmtracuu") + prefixOf(kind_.incoming));
    auto* reg = qobject_cast<RecordForm*>(app_.Window(QStringLiteral("frm") + prefixOf(kind_.incoming)));
    return reg && backTo(reg->Table(), id, [reg](qlonglong row) {
               if (row > 0) reg->Data1->FindBookmark(row);
               reg->show();
           });
}

// ---- The two lists -------------------------------------------------------------------------

frmgridcvden::frmgridcvden(App& app)
    : DocumentList(app, "frmgridcvden", QStringLiteral("Danh sách công văn đến"),
                   {true,
                    QStringLiteral("Xem công văn đến"),
                    {{QStringLiteral("stt"), QStringLiteral("Số đến")},
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
                    {QStringLiteral("ng_den"), QStringLiteral("cd_dang"), QStringLiteral("loai"), QStringLiteral("noigui"), QStringLiteral("so_cv"),
                     QStringLiteral("ng_cv"), QStringLiteral("tt_ndung"), QStringLiteral("dv_nhan"), QStringLiteral("mat"), QStringLiteral("da_xuli"),
                     QStringLiteral("stt")},
                    QStringLiteral("ng_den"),
                    QStringLiteral("Cần nhập lại ngày tháng năm cho đúng!"),
                    {QStringLiteral("brcvden.rpt"), QStringLiteral("(Những công văn được chọn)"), QStringLiteral("congvan.pdf"),
                     QStringLiteral("Chưa có công văn nào được nạp !"), QStringLiteral("qrdata1"), QStringLiteral("incvden"), QStringLiteral("[id]"),
                     QStringLiteral("Chưa có công văn nào được chọn để in!")}})
{
}

frmgridcvden* frmgridcvden::Instance(App& app) { return app.Owner().Get<frmgridcvden>(QStringLiteral("frmgridcvden")); }

frmgridcvdi::frmgridcvdi(App& app)
    : DocumentList(app, "frmgridcvdi", QStringLiteral("Danh sách công văn đi"),
                   {false,
                    QStringLiteral("Xem công văn đi"),
                    {{QStringLiteral("stt"), QStringLiteral("Số đi")},
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
                    {QStringLiteral("loai"), QStringLiteral("so_cv"), QStringLiteral("ng_cv"), QStringLiteral("dv_nhan"), QStringLiteral("tt_ndung"),
                     QStringLiteral("nguoiky"), QStringLiteral("noiluu"), QStringLiteral("stt")},
                    QStringLiteral("ng_cv"),
                    QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"),
                    {QStringLiteral("brcvdi.rpt"), QStringLiteral("(Những công văn được chọn)"), QStringLiteral("congvan.pdf"),
                     QStringLiteral("Không có công văn nào!"), QStringLiteral("qrdata1"), QStringLiteral("incvdi"), QStringLiteral("[id]"),
                     QStringLiteral("Chưa có công văn nào được chọn để in!"), true}})
{
}

frmgridcvdi* frmgridcvdi::Instance(App& app) { return app.Owner().Get<frmgridcvdi>(QStringLiteral("frmgridcvdi")); }

}  // namespace korvane
