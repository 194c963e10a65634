#include "frmcvden.h"

#include "abbreviation.h"
#include "app.h"
#include "backup.h"
#include "conditions.h"
#include "jetsql.h"
#include "keys.h"
#include "sqlfunctions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QStringList kCarryColumns = {QStringLiteral("ng_den"), QStringLiteral("noigui"),  QStringLiteral("so_cv"),
                                   QStringLiteral("ng_cv"),  QStringLiteral("loai"),    QStringLiteral("dv_nhan"),
                                   QStringLiteral("cd_dang"), QStringLiteral("mat"),    QStringLiteral("tt_ndung")};
// The fields whose change makes a record worth saving (the "dealt with" tick among them).
const QStringList kChangeColumns = {QStringLiteral("stt"),   QStringLiteral("cd_dang"), QStringLiteral("dv_nhan"), QStringLiteral("loai"),
                                    QStringLiteral("mat"),   QStringLiteral("ng_cv"),   QStringLiteral("ng_den"),  QStringLiteral("noigui"),
                                    QStringLiteral("so_cv"), QStringLiteral("tt_ndung"), QStringLiteral("da_xuli")};

const QString kViewing = QStringLiteral("xemcv");
const QString kAdding = QStringLiteral("napcv");
const QString kCorrecting = QStringLiteral("suacv");

void setCaptionColours(QLabel* label, const QColor& text, const QColor& back)
{
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; padding: 2px 8px; }").arg(text.name(), back.name()));
}

}  // namespace

frmcvden::frmcvden(App& app, QWidget* mainWindow) : QWidget(nullptr), app_(app), main_(mainWindow)
{
    setObjectName(QStringLiteral("frmcvden"));
    setWindowTitle(QStringLiteral("Công văn đến"));
    setAttribute(Qt::WA_DeleteOnClose);
    build();
}

frmcvden::~frmcvden() = default;

frmcvden* frmcvden::Open(App& app, QWidget* mainWindow)
{
    app.FormMode = kViewing;
    auto* form = new frmcvden(app, mainWindow);
    form->Data1->Database = app.DocDb.get();
    form->Data1->RecordSource = app.InDocTable;
    form->Data1->Refresh();
    if (form->Data1->Count() > 0) form->Data1->MoveLast();
    form->openLists();
    form->show();
    form->mcd_dang->setFocus();
    return form;
}

void frmcvden::build()
{
    Data1 = new DataSource(this);
    auto line = [this](const char* column) {
        auto* box = new BoundLineEdit(QLatin1String(column), this);
        box->installEventFilter(this);
        return box;
    };
    mstt = line("stt");
    mng_den = line("ng_den");
    mng_denchuan = line("ng_denchuan");
    mnoigui = line("noigui");
    mso_cv = line("so_cv");
    mng_cv = line("ng_cv");
    mng_cvchuan = line("ng_cvchuan");
    mloai = line("loai");
    mdv_nhan = line("dv_nhan");
    mcd_dang = line("cd_dang");
    mmat = line("mat");
    mkieuupdate = line("kieuupdate");
    midcu = line("idcu");
    mtt_ndung = new BoundTextEdit(QStringLiteral("tt_ndung"), this);
    mtt_ndung->installEventFilter(this);
    mtt_ndung->setFixedHeight(70);
    Checkdaxuly = new BoundCheckBox(QStringLiteral("da_xuli"), QStringLiteral("Đã xử lý xong"), this);
    Checkdaxuly->setObjectName(QStringLiteral("Checkdaxuly"));
    for (BoundField* f : std::initializer_list<BoundField*>{mstt, mng_den, mng_denchuan, mnoigui, mso_cv, mng_cv, mng_cvchuan, mloai,
                                                             mdv_nhan, mcd_dang, mmat, mtt_ndung, Checkdaxuly, mkieuupdate, midcu})
        Data1->Bind(f);
    for (QWidget* hidden : {static_cast<QWidget*>(mng_denchuan), static_cast<QWidget*>(mng_cvchuan), static_cast<QWidget*>(mkieuupdate),
                            static_cast<QWidget*>(midcu)})
        hidden->hide();
    // Typing limits; the data source confirms them from the fields' sizes when it opens.
    const std::pair<BoundLineEdit*, int> limits[] = {{mstt, 20},   {mng_den, 10}, {mnoigui, 100}, {mso_cv, 50}, {mng_cv, 10},
                                                 {mloai, 50},  {mdv_nhan, 150}, {mcd_dang, 10}, {mmat, 20}};
    for (const auto& [box, limit] : limits) box->limit = limit;
    mtt_ndung->limit = 255;

    lbltrangthai = new QLabel(this);
    lbltrangthai->setObjectName(QStringLiteral("lbltrangthai"));
    QFont captionFont = lbltrangthai->font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.3);
    lbltrangthai->setFont(captionFont);
    lbltrangthai->setAlignment(Qt::AlignCenter);
    lbltrangthai->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* fields = new QGridLayout;
    int row = 0;
    auto add = [&](const QString& label, QWidget* w, int column = 0, int span = 1) {
        auto* l = new QLabel(label, this);
        l->setBuddy(w);
        fields->addWidget(l, row, column);
        fields->addWidget(w, row, column + 1, 1, span);
    };
    add(QStringLiteral("Đánh số CV đến"), mstt);
    add(QStringLiteral("Ngày đến cơ quan"), mng_den, 2);
    ++row;
    add(QStringLiteral("Đảng,NN / Công đoàn"), mcd_dang);
    DBComboloai = new DBCombo(this);
    DBComboloai->setObjectName(QStringLiteral("DBComboloai"));
    DBComboloai->ListField = QStringLiteral("loai");
    DBComboloai->setFocusPolicy(Qt::ClickFocus);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(mloai, 3);
    typeRow->addWidget(DBComboloai, 2);
    fields->addWidget(new QLabel(QStringLiteral("Loại công văn"), this), row, 2);
    fields->addLayout(typeRow, row, 3);
    ++row;
    add(QStringLiteral("Nơi gửi"), mnoigui, 0, 3);
    ++row;
    add(QStringLiteral("Số công văn"), mso_cv);
    add(QStringLiteral("Ngày công văn"), mng_cv, 2);
    ++row;
    add(QStringLiteral("Tóm tắt nội dung công văn"), mtt_ndung, 0, 3);
    ++row;
    add(QStringLiteral("Nơi nhận công văn"), mdv_nhan, 0, 3);
    ++row;
    add(QStringLiteral("Độ mật"), mmat);
    fields->addWidget(Checkdaxuly, row, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAdd = button("cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = button("Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdsuasocvden = button("cmdsuasocvden", QStringLiteral("Số mới"));
    Cmdtracuu = button("Cmdtracuu", QStringLiteral("&Tìm đến..."));
    Cmdin = button("Cmdin", QStringLiteral("&In công văn"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, Cmdsua, cmdUpdate, cmdsuasocvden, Cmdtracuu, Cmdin, cmdclose}) buttons->addWidget(b);

    mrecnum = new QLineEdit(this);
    mrecnum->setObjectName(QStringLiteral("mrecnum"));
    mrecnum->setMaximumWidth(110);
    mrecnum->installEventFilter(this);
    auto* position = new QHBoxLayout;
    position->addStretch();
    position->addWidget(new QLabel(QStringLiteral("Vị trí CV hiện tại :"), this));
    position->addWidget(mrecnum);

    auto* help = new QGroupBox(QStringLiteral("  Hướng dẫn   "), this);
    lblhuongdan = new QLabel(help);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setText(QStringLiteral("F4 : xoá cả ô      F5: Chọn theo danh sách    ") +
                         QStringLiteral("     F5 và Shift-F5 : tăng giảm ô ngày     F6 : Sao chép nội dung trang trước") +
                         QStringLiteral("     PgUp : Về trang trước      PgDn : đến trang sau") +
                         QStringLiteral("     Nạp số trực tiếp vào ô vị trí CV hiện tại "));
    lblhuongdan->setWordWrap(true);
    help->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    (new QVBoxLayout(help))->addWidget(lblhuongdan);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addLayout(fields);
    layout->addLayout(position);
    layout->addLayout(buttons);
    layout->addWidget(help);

    // The pick grids float over the form near their fields and hide when they lose focus.
    for (DBGrid** grid : {&DBGridnoigui, &DBGriddv_nhan}) {
        *grid = new DBGrid(this);
        (*grid)->MakePickGrid();
        (*grid)->hide();
        (*grid)->installEventFilter(this);
    }
    DBGridnoigui->setObjectName(QStringLiteral("DBGridnoigui"));
    DBGriddv_nhan->setObjectName(QStringLiteral("DBGriddv_nhan"));

    // Entry order of the fields, then the buttons, then the position box.
    const QList<QWidget*> order = {mng_den, mcd_dang, mloai, mnoigui, mso_cv, mng_cv, mtt_ndung, mdv_nhan, mmat, Checkdaxuly,
                                   cmdAdd, Cmdsua, cmdUpdate, cmdsuasocvden, Cmdtracuu, Cmdin, cmdclose, mrecnum};
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
    // The form's keys work wherever the focus is, on the check box and the buttons too.
    for (QWidget* w : std::initializer_list<QWidget*>{Checkdaxuly, cmdAdd, Cmdsua, cmdUpdate, cmdsuasocvden, Cmdtracuu, Cmdin, cmdclose})
        w->installEventFilter(this);
    PressButtonsWithEnter(this);

    connect(cmdAdd, &QPushButton::clicked, this, &frmcvden::StartNew);
    connect(Cmdsua, &QPushButton::clicked, this, &frmcvden::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdsuasocvden, &QPushButton::clicked, this, [this] { setSttEditable(true); });
    connect(Cmdtracuu, &QPushButton::clicked, this, &frmcvden::GoToSearch);
    connect(Cmdin, &QPushButton::clicked, this, &frmcvden::Print);
    connect(cmdclose, &QPushButton::clicked, this, &frmcvden::CloseRegister);
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) { cancel = !ValidateLeaving(); });
    connect(Data1, &DataSource::Reposition, this, &frmcvden::showPosition);
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Lỗi dữ liệu : ") + description);
    });
    connect(DBGridnoigui, &DBGrid::RowDoubleClicked, this, [this](int r) { pick(DBGridnoigui, mnoigui, r); });
    connect(DBGriddv_nhan, &DBGrid::RowDoubleClicked, this, [this](int r) { pick(DBGriddv_nhan, mdv_nhan, r); });
    connect(DBGriddv_nhan, &DBGrid::LostFocus, this, [this] {
        if (!closing_) mdv_nhan->setFocus();
    });
    connect(DBComboloai, &DBCombo::ListClicked, this, [this](const QString& text) {
        if (app_.FormMode != kAdding && app_.FormMode != kCorrecting) return;
        mloai->setText(text);
        mnoigui->setFocus();
    });

    // At load: locked fields, viewing caption.
    lockFields(true);
    setSttEditable(false);
    app_.FormMode.clear();
    setMode(kViewing);
    resize(760, 560);
}

void frmcvden::openLists()
{
    try {
        senders_ = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from noigui order by matt"), engine::RecordsetType::Snapshot);
        units_ = app_.PlanRefDb->OpenRecordset(QStringLiteral("select * from donvi order by matt"), engine::RecordsetType::Snapshot);
        types_ = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from loaicv order by matt"), engine::RecordsetType::Snapshot);
        const QList<RecordsetModel::Column> columns = {{QStringLiteral("tendonvi"), QStringLiteral("Tên đơn vị")},
                                                       {QStringLiteral("chutat"), QStringLiteral("Chữ tắt")}};
        DBGridnoigui->SetSource(senders_.get(), columns);
        DBGriddv_nhan->SetSource(units_.get(), columns);
        DBComboloai->Fill(*types_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Lỗi dữ liệu : ") + e.description());
    }
}

// ---- Modes ---------------------------------------------------------------------------------

void frmcvden::lockFields(bool locked)
{
    for (BoundLineEdit* f : {mng_cv, mng_den, mnoigui, mso_cv, mloai, mdv_nhan, mcd_dang, mmat}) f->setLocked(locked);
    mtt_ndung->setLocked(locked);
    Checkdaxuly->setEnabled(!locked);
}

void frmcvden::setSttEditable(bool editable)
{
    mstt->setReadOnly(!editable);
    mstt->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    mstt->setStyleSheet(editable ? QString() : QStringLiteral("QLineEdit { background-color: rgb(192,192,192); }"));
    if (editable) mstt->setFocus();
}

void frmcvden::setMode(const QString& mode)
{
    const bool viewing = mode == kViewing;
    app_.FormMode = mode;
    lbltrangthai->setText(viewing ? QStringLiteral("Xem công văn đến")
                                  : mode == kAdding ? QStringLiteral("Nạp công văn đến") : QStringLiteral("sửa công văn đang xem"));
    if (viewing) setCaptionColours(lbltrangthai, palette().color(QPalette::Highlight), palette().color(QPalette::Button));
    else setCaptionColours(lbltrangthai, QColor(255, 255, 0), QColor(255, 0, 0));
    cmdAdd->setText(QStringLiteral("&Nạp mới"));
    Cmdsua->setText(mode == kCorrecting ? QStringLiteral("Huỷ sửa") : QStringLiteral("&Sửa"));
    cmdAdd->setEnabled(mode != kCorrecting);
    Cmdsua->setEnabled(mode != kAdding);
    cmdUpdate->setEnabled(!viewing);
    cmdsuasocvden->setEnabled(!viewing);
    Cmdtracuu->setEnabled(viewing);
    Cmdin->setEnabled(viewing);
}

void frmcvden::returnToViewing()
{
    if (app_.FormMode == kViewing) return;
    lockFields(true);
    setSttEditable(false);
    setMode(kViewing);
    // Reload the current record by stepping away and back.
    const long p = Data1->Position(), n = Data1->Count();
    if (p >= n || p < 1) {
        if (p + 1 < n && p >= 0) {
            Data1->MoveNext();
            Data1->MovePrevious();
        }
    } else {
        Data1->MovePrevious();
        Data1->MoveNext();
    }
    Data1->UpdateControls();
    showPosition();
    mcd_dang->setFocus();
}

bool frmcvden::newOrChanged() const { return Data1->IsNew() || Data1->AnyChanged(kChangeColumns); }

bool frmcvden::requiredFieldsFilled()
{
    QStringList missing;
    const std::pair<QString, QString> required[] = {{mng_den->text(), QStringLiteral("Ngày đến")},
                                                    {mnoigui->text(), QStringLiteral("nơi gửi")},
                                                    {mdv_nhan->text(), QStringLiteral("nơi nhận")},
                                                    {mtt_ndung->toPlainText(), QStringLiteral("tóm tắt nội dung")}};
    for (const auto& [text, name] : required)
        if (text.trimmed().isEmpty()) missing.append(name);
    if (missing.isEmpty()) return true;
    app_.Message(QStringLiteral("Cần phải điền đủ nội dung các ô :") + QLatin1Char('\r') + missing.join(QStringLiteral(", ")));
    mcd_dang->setFocus();
    return false;
}

void frmcvden::setNormalDates()
{
    mng_cvchuan->setText(NormalDate(mng_cv->text()));
    mng_denchuan->setText(NormalDate(mng_den->text()));
}

// ---- Buttons -------------------------------------------------------------------------------

void frmcvden::StartNew()
{
    if (app_.FormMode == kCorrecting) {
        if (!ValidateLeaving()) return;
    } else if (app_.FormMode == kAdding && newOrChanged()) {
        if (!requiredFieldsFilled()) return;
        setNormalDates();
        // Written as "Ghi đĩa" writes a new record, so that the backup finds it.
        const bool proposed = !mstt->DataChanged;
        if (!Data1->UpdateRecord(backupMarks(1))) return;
        if (proposed) keepNumberUnique();
    }
    long last = 0;
    carry_.clear();
    // The next number comes from the rows in the file now, other clerks' new rows among them.
    Data1->Requery();
    proposalBase_ = 0;
    if (Data1->Count() > 0) {
        Data1->MoveLast();
        last = qRound64(engine::leadingNumber(Data1->Value(QStringLiteral("stt")).toString().toStdString()));
        proposalBase_ = Data1->Value(QStringLiteral("id")).toLongLong();
        takeCarryOver();
    }
    if (!Data1->AddNew()) return;
    mstt->load(QString::number(last + 1));
    mng_den->load(DisplayDate(app_.Today(), app_.Months));
    mng_denchuan->load(NormalDate(mng_den->text()));
    mcd_dang->load(carry_[QStringLiteral("cd_dang")]);
    mloai->load(carry_[QStringLiteral("loai")]);
    lockFields(false);
    setMode(kAdding);
    mcd_dang->setFocus();
}

void frmcvden::takeCarryOver()
{
    for (const QString& c : kCarryColumns) carry_[c] = Data1->Value(c).toString();
}

bool frmcvden::Save()
{
    if (app_.FormMode != kAdding && app_.FormMode != kCorrecting) {
        returnToViewing();
        return true;
    }
    if (!newOrChanged()) {
        returnToViewing();
        return true;
    }
    if (!requiredFieldsFilled()) return false;
    setNormalDates();
    // A correction of a row not yet backed up (1) leaves it to be copied whole. The mark is read
    // from the file: another clerk's backup may have reset it since the row was shown.
    const bool adding = app_.FormMode == kAdding;
    const bool proposed = adding && Data1->IsNew() && !mstt->DataChanged;
    if (!Data1->UpdateRecord(backupMarks(adding || storedBackupMark() == 1 ? 1 : 2))) return false;
    if (proposed) keepNumberUnique();
    returnToViewing();
    return true;
}

QList<QPair<QString, QVariant>> frmcvden::backupMarks(int mark) const
{
    return {{QStringLiteral("kieuupdate"), mark}, {QStringLiteral("idcu"), Data1->Value(QStringLiteral("id"))}};
}

int frmcvden::storedBackupMark() const
{
    try {
        auto rs = Data1->Database->OpenRecordset(QStringLiteral("SELECT kieuupdate FROM %1 WHERE id = %2")
                                                     .arg(app_.InDocTable)
                                                     .arg(Data1->Value(QStringLiteral("id")).toLongLong()),
                                                 engine::RecordsetType::Snapshot);
        return rs->Eof() ? 0 : rs->Field(QStringLiteral("kieuupdate")).toInt();
    } catch (const engine::DbError&) {
        return 0;  // marked 2: the backup copies it either way
    }
}

void frmcvden::keepNumberUnique()
{
    // The number "Nạp mới" proposed may have gone to another clerk's document saved since the
    // proposal. Checked in one write transaction, so that no other clerk saves in between: this
    // document then takes the next number after the last one of the register, and the clerk is told.
    const QString number = mstt->text().trimmed();
    const qlonglong id = Data1->Value(QStringLiteral("id")).toLongLong();
    engine::Database& doc = *Data1->Database;
    const QString table = app_.InDocTable;
    QString renumbered;
    try {
        doc.WriteTransaction([&] {
            auto takenSince = [&](const QString& n) {
                auto rs = doc.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM %1 WHERE id > %2 AND id <> %3 AND stt = '%4'")
                                                .arg(table)
                                                .arg(proposalBase_)
                                                .arg(id)
                                                .arg(engine::escapeQuotes(n)),
                                            engine::RecordsetType::Snapshot);
                return rs->Field(QStringLiteral("n")).toLongLong() > 0;
            };
            if (!takenSince(number)) return;
            auto last = doc.OpenRecordset(QStringLiteral("SELECT stt FROM %1 WHERE id <> %2 ORDER BY id DESC").arg(table).arg(id),
                                          engine::RecordsetType::Snapshot);
            qint64 next = qRound64(engine::leadingNumber(last->Field(QStringLiteral("stt")).toString().toStdString())) + 1;
            next = std::max(next, qRound64(engine::leadingNumber(number.toStdString())) + 1);
            while (takenSince(QString::number(next))) ++next;
            renumbered = QString::number(next);
            doc.Execute(QStringLiteral("UPDATE %1 SET stt = '%2' WHERE id = %3").arg(table, renumbered).arg(id));
        });
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return;
    }
    if (renumbered.isEmpty()) return;
    mstt->load(renumbered);
    app_.Message(QStringLiteral("Số ") + number + QStringLiteral(" vừa được dùng cho một công văn khác. Công văn này được ghi với số ") +
                 renumbered + QStringLiteral(" !"));
}

void frmcvden::Correct()
{
    if (Cmdsua->text() == QStringLiteral("Huỷ sửa")) {
        Data1->ClearChanged();
        returnToViewing();
        return;
    }
    if (app_.FormMode == kAdding) {
        app_.Message(QStringLiteral("Bạn phải nạp xong mới sửa được !"));
        mcd_dang->setFocus();
        return;
    }
    if (app_.FormMode == kCorrecting) {
        mcd_dang->setFocus();
        return;
    }
    if (Data1->Count() == 0) {
        QApplication::beep();  // nothing to correct yet
        return;
    }
    const long p = Data1->Position();
    if (p > 0) {
        Data1->MovePrevious();
        takeCarryOver();
        Data1->MoveNext();
    } else {
        takeCarryOver();
    }
    lockFields(false);
    setMode(kCorrecting);
    mso_cv->setFocus();
}

bool frmcvden::ValidateLeaving()
{
    if (app_.FormMode != kAdding && app_.FormMode != kCorrecting) return true;
    if (Data1->IsNew()) {
        if (app_.Message(QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"), QStringLiteral("yesno")) != QLatin1String("no"))
            return Save();  // a record that cannot be saved stays open, with the message that says why
        Data1->CancelAdd();
    } else if (Data1->AnyChanged()) {
        if (app_.Message(QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"), QStringLiteral("yesno")) != QLatin1String("no"))
            return Save();
        Data1->ClearChanged();
    }
    returnToViewing();
    return true;
}

void frmcvden::GoToSearch()
{
    if (app_.FormMode == kAdding || app_.FormMode == kCorrecting) {
        app_.Message(QStringLiteral("Bạn phải nạp, sửa xong mới có thể tìm kiếm được !"));
        mcd_dang->setFocus();
        return;
    }
    const long p = Data1->Position();
    app_.CurrentDocId = p >= 0 && p < Data1->Count() ? Data1->Value(QStringLiteral("id")).toLongLong() : 0;
    mcd_dang->setFocus();
    const auto it = app_.Openers.find(QStringLiteral("frmtracuucvden"));
    if (it == app_.Openers.end()) return;  // the search window comes with a later part
    hide();
    it->second(app_);
}

void frmcvden::Print()
{
    mcd_dang->setFocus();
    // The print window, from its own part of the program, reads the caller and the current record.
    const auto it = app_.Openers.find(QStringLiteral("frmincv"));
    if (it != app_.Openers.end()) it->second(app_);
}

void frmcvden::CloseRegister()
{
    if (closing_) return;
    if (!ValidateLeaving()) return;
    closing_ = true;
    mcd_dang->setFocus();
    BackupRegister(app_, QStringLiteral("cvden"));
    if (main_) main_->show();
    close();
}

void frmcvden::closeEvent(QCloseEvent* event)
{
    if (!closing_) {
        // Closed by the window frame: the same as "Kết thúc".
        event->ignore();
        CloseRegister();
        return;
    }
    app_.FormMode.clear();
    event->accept();
}

// ---- Position box --------------------------------------------------------------------------

void frmcvden::showPosition()
{
    mrecnum->setText(QStringLiteral("%1/%2").arg(Data1->Position() + 1).arg(Data1->Count()));
    QApplication::restoreOverrideCursor();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void frmcvden::jumpToPosition()
{
    const long v = static_cast<long>(engine::leadingNumber(mrecnum->text().toStdString()));
    const long p = Data1->Position(), n = Data1->Count();
    if (v > 0 && v <= n && v != p + 1) Data1->MoveTo(v - 1);
    else showPosition();
    mcd_dang->setFocus();
}

// ---- Keys and fields -----------------------------------------------------------------------

bool frmcvden::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (widget == mrecnum && KeyCodeOf(static_cast<QKeyEvent*>(event)) == KeyEnter) {
            jumpToPosition();
            return true;
        }
        if (widget != mrecnum) keyReleased(widget, static_cast<QKeyEvent*>(event));
        break;
    case QEvent::FocusIn:
        if (widget == mrecnum) QTimer::singleShot(0, mrecnum, &QLineEdit::selectAll);
        break;
    case QEvent::FocusOut:
        fieldLeft(widget);
        break;
    case QEvent::KeyPress: {
        // Esc inside a pick grid or a field must reach the form's key handling, not close anything.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_PageUp || key == Qt::Key_PageDown) return true;
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmcvden::keyReleased(QWidget* field, QKeyEvent* event)
{
    const int code = KeyCodeOf(event);
    const bool editing = app_.FormMode == kAdding || app_.FormMode == kCorrecting;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    auto* box = qobject_cast<QLineEdit*>(field);
    if (code == KeyF1 + 3) {  // F4
        if (!editing) return;
        if (box && !box->isReadOnly()) box->clear();
        else if (field == mtt_ndung) mtt_ndung->clear();
        return;
    }
    if (code == KeyF1 + 4) {  // F5
        if (!editing) return;
        if (field == mcd_dang) {
            mcd_dang->setText(mcd_dang->text() == QStringLiteral("Công đoàn") ? QStringLiteral("Đảng,NN") : QStringLiteral("Công đoàn"));
            mloai->setFocus();
        } else if (field == mdv_nhan || field == mnoigui) {
            DBGrid* grid = field == mdv_nhan ? DBGriddv_nhan : DBGridnoigui;
            grid->setGeometry(field->x(), field->y() + field->height(), std::max(field->width(), 360), 180);
            grid->show();
            grid->raise();
            grid->setFocus();
            if (grid->model() && grid->model()->rowCount() > 0) grid->selectRow(0);
        } else if (field == mng_den || field == mng_cv) {
            stepDate(static_cast<BoundLineEdit*>(field), shift ? -1 : 1);
        }
        return;
    }
    if (code == KeyF1 + 5) {  // F6
        if (!editing) return;
        if (auto* bound = dynamic_cast<BoundField*>(field); bound && kCarryColumns.contains(bound->DataField)) {
            // An empty carry-over value would only wipe out what was typed.
            const auto it = carry_.find(bound->DataField);
            if (it == carry_.end() || it->second.isEmpty()) QApplication::beep();
            else if (box) box->setText(it->second);
            else mtt_ndung->setPlainText(it->second);
        }
        return;
    }
    if (code == KeyPageUp || code == KeyPageDown) {
        if (!ValidateLeaving()) return;
        const long p = Data1->Position(), n = Data1->Count();
        if (app_.FormMode != kViewing) return;
        if (code == KeyPageUp && p >= 1 && p < n) Data1->MovePrevious();
        if (code == KeyPageDown && p >= 0 && p + 1 < n) Data1->MoveNext();
        return;
    }
    if (code == KeyEscape) {
        if (DBGriddv_nhan->isVisible()) mdv_nhan->setFocus();
        else if (DBGridnoigui->isVisible()) mnoigui->setFocus();
        else if (editing) ValidateLeaving();
        return;
    }
    if (!editing) return;  // a locked record: no key changes what it shows
    if (field == mtt_ndung || field == mng_den || field == mng_cv || field == mmat) {
        if (app_.AbbreviationList) ExpandAbbreviation(field, code, *app_.AbbreviationList, QStringLiteral("chudu"));
    } else if (field == mloai) {
        if (types_) ExpandAbbreviation(field, code, *types_, QStringLiteral("loai"));
    } else if (field == mdv_nhan) {
        if (units_) ExpandAbbreviation(field, code, *units_, QStringLiteral("Tendonvi"));
    } else if (field == mnoigui) {
        if (senders_) ExpandAbbreviation(field, code, *senders_, QStringLiteral("Tendonvi"));
    }
}

void frmcvden::stepDate(BoundLineEdit* box, int delta)
{
    const QString text = box->text().trimmed();
    if (text.isEmpty()) {
        box->setText(DisplayDate(app_.Today(), app_.Months));
        return;
    }
    const long day = static_cast<long>(engine::leadingNumber(text.left(2).toStdString()));
    QString candidate = QString::number(day + delta) + text.mid(2);
    const QString date = CheckDateText(candidate, app_.Months, app_.Today().year());
    if (!date.isEmpty()) box->setText(date);
}

void frmcvden::fieldLeft(QWidget* field)
{
    if (closing_) return;
    if ((field == mng_den || field == mng_cv) && !checkingDate_ && !static_cast<QLineEdit*>(field)->isReadOnly()) {
        auto* box = static_cast<BoundLineEdit*>(field);
        QString text = box->text().trimmed();
        if (text.isEmpty()) return;
        const QString date = CheckDateText(text, app_.Months, app_.Today().year());
        if (!date.isEmpty()) {
            if (box->text() != date) box->setText(date);
            (box == mng_den ? mng_denchuan : mng_cvchuan)->setText(NormalDate(date));
        } else {
            checkingDate_ = true;
            app_.Message(QStringLiteral("Cần nhập lại ngày tháng năm cho đúng!"));
            box->clear();
            box->setFocus();
            checkingDate_ = false;
        }
        return;
    }
    if (field == mstt && !mstt->isReadOnly()) {
        setSttEditable(false);
        return;
    }
    if (app_.FormMode != kAdding && app_.FormMode != kCorrecting) return;
    if (field == mtt_ndung && app_.AbbreviationList) ExpandAbbreviation(field, KeyLeave, *app_.AbbreviationList, QStringLiteral("chudu"));
    else if (field == mloai && types_) ExpandAbbreviation(field, KeyLeave, *types_, QStringLiteral("loai"));
    else if (field == mdv_nhan && units_) ExpandAbbreviation(field, KeyLeave, *units_, QStringLiteral("tendonvi"));
    else if (field == mnoigui && senders_) ExpandAbbreviation(field, KeyLeave, *senders_, QStringLiteral("tendonvi"));
}

void frmcvden::pick(DBGrid* grid, BoundLineEdit* box, int row)
{
    if (app_.FormMode != kAdding && app_.FormMode != kCorrecting) return;
    const QString name = grid->Model()->Field(row, QStringLiteral("tendonvi")).toString();
    box->setText(box->text().trimmed().isEmpty() ? name : box->text() + QStringLiteral(", ") + name);
    if (grid == DBGridnoigui) mso_cv->setFocus();
}

}  // namespace korvane
