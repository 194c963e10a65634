#include "frmlichtuan.h"

#include "abbreviation.h"
#include "app.h"
#include "dates.h"
#include "formkit.h"
#include "frmlich.h"
#include "jetsql.h"
#include "keys.h"
#include "printing.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kReport = QStringLiteral("brlichtuan.rpt");
const QString kCaption = QStringLiteral("Xem lịch làm việc trong tuần");
// The column that tells which calendar table a row of the week was read from.
const QString kSource = QStringLiteral("bangnguon");

QString Normal(const QDate& date) { return date.toString(QStringLiteral("yyyyMMdd")); }

}  // namespace

QDate WeekStart(const QDate& date) { return date.addDays(1 - date.dayOfWeek()); }

frmlichtuan::frmlichtuan(App& app) : QWidget(nullptr), app_(app)
{
    setObjectName(QStringLiteral("frmlichtuan"));
    setWindowTitle(QStringLiteral("Lịch làm việc trong tuần"));

    Lbltieude = new QLabel(kCaption, this);
    Lbltieude->setObjectName(QStringLiteral("Lbltieude"));
    QFont titleFont = Lbltieude->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    Lbltieude->setFont(titleFont);
    Lbltieude->setAlignment(Qt::AlignCenter);

    auto box = [this](const char* name, int width) {
        auto* b = new QLineEdit(this);
        b->setObjectName(QLatin1String(name));
        b->setMaximumWidth(width);
        b->installEventFilter(this);
        return b;
    };
    // The week's bounds are the dates the window keeps; the two boxes only show them.
    txtdautuan = box("txtdautuan", 110);
    txtcuoituan = box("txtcuoituan", 110);
    txtdautuan->setReadOnly(true);
    txtcuoituan->setReadOnly(true);
    Txtle = box("Txtle", 50);
    Txtle->setText(QStringLiteral("10"));

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    for (int m = 1; m <= 12; ++m) List1->addItem(QString::number(m));
    List1->setMaximumWidth(60);
    List1->installEventFilter(this);
    List1->hide();

    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));

    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdtruoc = button("cmdtruoc", QStringLiteral("Tuần &Trước"));
    cmdsau = button("cmdsau", QStringLiteral("Tuần &Sau"));
    cmdthang = button("cmdthang", QStringLiteral("&Chọn tháng"));
    Cmdinlich = button("Cmdinlich", QStringLiteral("&In "));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));

    auto* dates = new QHBoxLayout;
    dates->addStretch();
    dates->addWidget(new QLabel(QStringLiteral("Từ ngày"), this));
    dates->addWidget(txtdautuan);
    dates->addWidget(new QLabel(QStringLiteral("đến ngày"), this));
    dates->addWidget(txtcuoituan);
    dates->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(DBGrid1, 1);
    body->addWidget(List1);
    auto* buttons = new QHBoxLayout;
    auto* margin = new QLabel(QStringLiteral("Đặt Lề :"), this);
    margin->setBuddy(Txtle);
    buttons->addWidget(margin);
    buttons->addWidget(Txtle);
    buttons->addStretch();
    for (QPushButton* b : {cmdtruoc, cmdsau, cmdthang, Cmdinlich, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Lbltieude);
    layout->addLayout(dates);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    ChainTabOrder({DBGrid1, txtdautuan, txtcuoituan, Txtle, cmdtruoc, cmdsau, cmdthang, Cmdinlich, cmdclose});

    DBGrid1->SetSource(nullptr, {});
    connect(cmdtruoc, &QPushButton::clicked, this, &frmlichtuan::PreviousWeek);
    connect(cmdsau, &QPushButton::clicked, this, &frmlichtuan::NextWeek);
    connect(cmdthang, &QPushButton::clicked, this, &frmlichtuan::AskMonth);
    connect(Cmdinlich, &QPushButton::clicked, this, &frmlichtuan::Print);
    connect(cmdclose, &QPushButton::clicked, this, &frmlichtuan::CloseWeek);
    connect(List1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { ChooseMonth(List1->row(item) + 1); });
    resize(980, 560);
}

frmlichtuan::~frmlichtuan() = default;

frmlichtuan* frmlichtuan::Instance(App& app) { return app.Owner().Get<frmlichtuan>(QStringLiteral("frmlichtuan")); }

// ---- The week ------------------------------------------------------------------------------

void frmlichtuan::ShowWeek(const QDate& date)
{
    // Where "Kết thúc" goes is decided by the way in, whatever other windows set meanwhile.
    fromRegister_ = app_.FormMode == QLatin1String("xemlich");
    List1->hide();
    showWeekOf(date);
    BringToFront(this, DBGrid1);
}

void frmlichtuan::PreviousWeek() { showWeekOf(first_.addDays(-7)); }
void frmlichtuan::NextWeek() { showWeekOf(first_.addDays(7)); }

void frmlichtuan::AskMonth()
{
    List1->show();
    List1->setFocus();
    if (List1->currentRow() < 0) List1->setCurrentRow(0);
}

void frmlichtuan::ChooseMonth(int month)
{
    const QDate first(app_.WorkYear.trimmed().toInt(), month, 1);
    List1->hide();
    DBGrid1->setFocus();
    if (first.isValid()) showWeekOf(first);
}

QStringList frmlichtuan::WeekTables() const
{
    QStringList tables;
    auto add = [&](const QString& table) {
        if (!tables.contains(table, Qt::CaseInsensitive) && app_.PlanDb->HasTable(table)) tables.append(table);
    };
    add(app_.CalendarTable);
    add(QStringLiteral("lich") + QString::number(first_.year()));
    add(QStringLiteral("lich") + QString::number(last_.year()));
    return tables;
}

// The week's days of each calendar table it is read from, with the name of that table beside
// every row, by date and then by the time's sort key.
QString frmlichtuan::weekStatement() const
{
    const QString period = QStringLiteral(" where [ngaychuan]>= '") + Normal(first_) + QStringLiteral("' and [ngaychuan]<= '") + Normal(last_) +
                           QLatin1Char('\'');
    QStringList parts;
    for (const QString& table : WeekTables())
        parts.append(QStringLiteral("Select *, '") + engine::escapeQuotes(table) + QStringLiteral("' AS ") + kSource + QStringLiteral(" from [") +
                     table + QLatin1Char(']') + period);
    if (parts.isEmpty()) return {};
    return parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" order by [ngaychuan],[giochuan]");
}

std::unique_ptr<engine::Recordset> frmlichtuan::readWeek() const
{
    const QString statement = weekStatement();
    if (statement.isEmpty()) return nullptr;
    return app_.PlanDb->OpenRecordset(statement, engine::RecordsetType::Snapshot);
}

// The week of `date` becomes the one shown: its bounds, the title and its entries.
void frmlichtuan::showWeekOf(const QDate& date)
{
    if (!date.isValid()) return;
    asked_ = date;
    first_ = WeekStart(date);
    last_ = first_.addDays(6);
    const QString first = DisplayDate(first_, app_.Months), last = DisplayDate(last_, app_.Months);
    txtdautuan->setText(first);
    txtcuoituan->setText(last);
    Lbltieude->setText(kCaption + QStringLiteral(" từ ") + first + QStringLiteral(" đến ") + last);

    std::unique_ptr<engine::Recordset> rows;
    ShowingDataErrors(app_, [&] {
        BusyCursor busy;
        rows = readWeek();
    });
    // The grid takes the new rows before the old ones go.
    DBGrid1->SetSource(rows.get(), {{QStringLiteral("thu"), QStringLiteral("Thứ")},
                                    {QStringLiteral("ngay"), QStringLiteral("Ngày")},
                                    {QStringLiteral("gio"), QStringLiteral("Giờ")},
                                    {QStringLiteral("ndung"), QStringLiteral("Nội dung")},
                                    {QStringLiteral("diadiem"), QStringLiteral("Địa điểm")},
                                    {QStringLiteral("thanhphan"), QStringLiteral("Thành phần")},
                                    {QStringLiteral("nguoicbi"), QStringLiteral("Chuẩn bị")},
                                    {QStringLiteral("nguoictri"), QStringLiteral("Chủ trì")},
                                    {QStringLiteral("ghichu"), QStringLiteral("Ghi chú")}});
    rows_ = std::move(rows);
    // The content takes the room; "Ghi chú", the last, stretches to the edge.
    const int widths[] = {65, 82, 50, 220, 110, 120, 90, 90};
    for (int c = 0; c < 8; ++c) DBGrid1->setColumnWidth(c, widths[c]);
    if (DBGrid1->model()->rowCount() > 0) DBGrid1->setCurrentIndex(DBGrid1->model()->index(0, 0));
}

qlonglong frmlichtuan::CurrentId() const
{
    const int row = DBGrid1->currentIndex().row();
    if (!rows_ || row < 0) return 0;
    try {
        rows_->SetAbsolutePosition(row);
        if (rows_->Field(kSource).toString().compare(app_.CalendarTable, Qt::CaseInsensitive) != 0) return 0;
        return rows_->Field(QStringLiteral("ID")).toLongLong();
    } catch (const engine::DbError&) {
        return 0;
    }
}

// ---- Printing ------------------------------------------------------------------------------

// The print table gets the week's entries of every table the week is read from, as they are
// in the file now; `rows` says how many.
bool frmlichtuan::fillPrintTable(long& rows)
{
    rows = 0;
    return ShowingDataErrors(app_, [&] {
        BusyCursor busy;
        rows = FillPrintTable(*app_.TempDb, QStringLiteral("inlich"), readWeek().get());
    });
}

void frmlichtuan::Print()
{
    long rows = 0;
    if (!fillPrintTable(rows)) return;
    if (rows == 0) {
        app_.Message(QStringLiteral("Không có lịch làm việc nào cả !"));
        return;
    }
    const QString subtitle = QStringLiteral("(Từ ") + DisplayDate(first_, app_.Months) + QStringLiteral(" đến ") + DisplayDate(last_, app_.Months) +
                             QLatin1Char(')');
    AskAndPrint(app_, this, kReport, subtitle, Txtle->text(), QStringLiteral("lichtuan.pdf"));
}

// ---- Closing -------------------------------------------------------------------------------

void frmlichtuan::CloseWeek()
{
    List1->hide();
    if (fromRegister_) {
        const qlonglong id = CurrentId();
        app_.CurrentDocId = static_cast<long>(id);
        if (frmlich* reg = frmlich::Find(app_)) {
            hide();
            if (!ShowingDataErrors(app_, [&] { reg->ComeBack(id); })) reg->show();
            return;
        }
    }
    hide();
    ShowBack(app_, nullptr);
}

void frmlichtuan::closeEvent(QCloseEvent* event)
{
    event->ignore();  // hidden, as "Kết thúc" hides it
    CloseWeek();
}

// ---- Keys ----------------------------------------------------------------------------------

bool frmlichtuan::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && List1->currentRow() >= 0) {
            ChooseMonth(List1->currentRow() + 1);
            return true;
        }
        if (key == Qt::Key_Escape) {
            List1->hide();
            cmdthang->setFocus();
            return true;
        }
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::KeyRelease) {
        const int code = KeyCodeOf(static_cast<QKeyEvent*>(event));
        if (code == KeyF1 + 3) {
            if (!box->isReadOnly()) box->clear();
        } else if (app_.AbbreviationList) {
            ExpandAbbreviation(box, code, *app_.AbbreviationList, QStringLiteral("chudu"));
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvane
