#include "frmbophan.h"

#include "app.h"
#include "export.h"
#include "referencelists.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kView = QStringLiteral("xem");
const QString kAdd = QStringLiteral("nap");
const QString kEdit = QStringLiteral("sua");

}  // namespace

frmbophan::frmbophan(App& app, QWidget* parent) : QDialog(parent), app_(app), mode_(kView)
{
    setObjectName(QStringLiteral("frmbophan"));
    setWindowTitle(QStringLiteral("Nạp sửa danh sách phòng, bộ phận"));
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto bound = [this](const QString& column, const char* name) {
        auto* box = new BoundLineEdit(column, this);
        box->setObjectName(QLatin1String(name));
        Data1->Bind(box);
        return box;
    };
    txtdonvi = bound(QStringLiteral("donvi"), "txtdonvi");
    txtdonviid = bound(QStringLiteral("donviid"), "txtdonviid");
    txtphong = bound(QStringLiteral("phong"), "txtphong");
    txtmatt = bound(QStringLiteral("matt"), "txtmatt");
    txtid = bound(QStringLiteral("ID"), "txtid");
    // The unit and its id come from the list of units only, so that they always agree.
    for (BoundLineEdit* box : {txtdonviid, txtmatt, txtid}) box->hide();
    txtdonvi->setReadOnly(true);
    txtphong->installEventFilter(this);
    DBCombodonvi = new DBCombo(this);
    DBCombodonvi->setObjectName(QStringLiteral("DBCombodonvi"));
    DBCombodonvi->ListField = QStringLiteral("tendonvi");
    DBCombodonvi->BoundColumn = QStringLiteral("id");
    lbltrangthai = NewStatusCaption(this);

    cmdAdd = NamedButton(this, "cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = NamedButton(this, "Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = NamedButton(this, "cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdDelete = NamedButton(this, "cmdDelete", QStringLiteral("&Xoá"));
    cmdxuat = NamedButton(this, "cmdxuat", QStringLiteral("Xuất &Excel"));
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));

    auto* fields = new QGridLayout;
    auto add = [&](int row, const QString& caption, QWidget* field, QWidget* beside = nullptr) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1, 1, beside ? 1 : 2);
        if (beside) fields->addWidget(beside, row, 2);
    };
    add(0, QStringLiteral("Ban, đơn vị"), txtdonvi, DBCombodonvi);
    add(1, QStringLiteral("Tên phòng"), txtphong);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdxuat, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    ChainTabOrder({txtdonvi, DBCombodonvi, txtphong, cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdxuat, cmdclose, DBGrid1});

    DBGrid1->SetDataSource(Data1, {{QStringLiteral("donvi"), QStringLiteral("Ban, đơn vị")}, {QStringLiteral("phong"), QStringLiteral("Tên phòng")}});
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) {
        validating_ = true;
        cancel = !leaveRow();
        validating_ = false;
    });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        app_.Message(QStringLiteral("Lỗi dữ liệu: ") + description);
    });
    connect(DBCombodonvi, &QComboBox::activated, this, [this](int index) {
        if (mode_ == kView || index < 0) return;
        txtdonvi->setText(DBCombodonvi->itemText(index));
        txtdonviid->setText(DBCombodonvi->itemData(index).toString());
    });
    connect(cmdAdd, &QPushButton::clicked, this, &frmbophan::Add);
    connect(Cmdsua, &QPushButton::clicked, this, &frmbophan::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdDelete, &QPushButton::clicked, this, &frmbophan::Delete);
    connect(cmdxuat, &QPushButton::clicked, this, &frmbophan::Export);
    connect(cmdclose, &QPushButton::clicked, this, &frmbophan::reject);
    setMode(kView);
    resize(620, 480);
}

void frmbophan::Open()
{
    Data1->Database = app_.PlanRefDb.get();
    Data1->RecordSource = QStringLiteral("select * from bophan order by donvi, phong");
    if (Data1->Refresh() && Data1->Count() > 0) Data1->MoveLast();
    ShowingDataErrors(app_, [&] {
        auto units = app_.PlanRefDb->OpenRecordset(QStringLiteral("select * from donvi order by matt"), engine::RecordsetType::Snapshot);
        DBCombodonvi->Fill(*units);
    });
    setMode(kView);
}

void frmbophan::setMode(const QString& mode)
{
    mode_ = mode;
    const bool viewing = mode == kView;
    ShowStatus(lbltrangthai,
               viewing ? QStringLiteral("Xem danh sách phòng, bộ phận")
                       : mode == kAdd ? QStringLiteral("Nạp tên phòng, bộ phận mới") : QStringLiteral("sửa tên phòng, bộ phận"),
               !viewing);
    txtphong->setReadOnly(viewing);
    DBCombodonvi->setEnabled(!viewing);
    cmdAdd->setText(mode == kAdd ? QStringLiteral("&Huỷ nạp") : QStringLiteral("&Nạp mới"));
    Cmdsua->setText(mode == kEdit ? QStringLiteral("Huỷ sửa") : QStringLiteral("&Sửa"));
    cmdAdd->setEnabled(mode != kEdit);
    Cmdsua->setEnabled(mode != kAdd);
    cmdUpdate->setEnabled(!viewing);
    cmdDelete->setEnabled(viewing);
}

void frmbophan::Add()
{
    if (mode_ == kAdd) {  // "Huỷ nạp": the row that was current before
        Data1->CancelAdd();
        setMode(kView);
        txtdonvi->setFocus();
        return;
    }
    if (mode_ != kView || !Data1->AddNew()) return;
    setMode(kAdd);
    txtdonvi->setFocus();
}

void frmbophan::Correct()
{
    if (mode_ == kEdit) {  // "Huỷ sửa": the row as the file holds it
        Data1->ClearChanged();
        Data1->UpdateControls();
        setMode(kView);
    } else if (mode_ == kView && Data1->Position() >= 0) {
        setMode(kEdit);
    }
    txtphong->setFocus();
}

bool frmbophan::phongLeft()
{
    if (mode_ == kView) return true;
    if (txtdonvi->text().trimmed().isEmpty()) {
        app_.Message(QStringLiteral("Phải chọn tên ban, đơn vị trong danh mục! OK ?"));
        txtphong->setFocus();
        return false;
    }
    if (txtphong->DataChanged) txtmatt->setText(ReferenceSortKey(txtphong->text()));
    return true;
}

bool frmbophan::Save()
{
    if (mode_ == kView) return true;
    // A button pressed with its Alt key leaves the focus in the name box: its rules run here too.
    if (!phongLeft()) return false;
    if (!Data1->IsNew() && !Data1->AnyChanged()) {
        setMode(kView);
        txtdonvi->setFocus();
        return true;
    }
    if (!Data1->UpdateRecord()) return false;  // still adding or correcting, as typed
    const qint64 id = Data1->Value(QStringLiteral("ID")).toLongLong();
    if (validating_) QTimer::singleShot(0, this, [this, id] { refreshOn(id); });
    else refreshOn(id);
    setMode(kView);
    txtdonvi->setFocus();
    return true;
}

void frmbophan::refreshOn(qint64 id)
{
    if (Data1->Refresh()) Data1->FindBookmark(id);
}

// Before another row becomes current, and before the window closes: what is being typed is
// saved on "yes", dropped on "no", and stays as typed without an answer.
bool frmbophan::leaveRow()
{
    if (mode_ == kView) return true;
    if (Data1->IsNew() || Data1->AnyChanged()) {
        const QString answer = KeepTypingQuestion(app_, *Data1);
        if (answer == QLatin1String("yes")) return Save();
        if (answer != QLatin1String("no")) return false;
        Data1->ClearChanged();
        Data1->CancelAdd();
        Data1->UpdateControls();
    }
    setMode(kView);
    return true;
}

void frmbophan::Delete()
{
    if (mode_ != kView || Data1->Position() < 0) return;
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá dòng này không ?"), QStringLiteral("yesno")) != QLatin1String("yes")) {
        txtdonvi->setFocus();
        return;
    }
    if (Data1->Count() > 1) {
        Data1->Delete();
    } else {
        // The last department stays as an empty row.
        ShowingDataErrors(app_, [&] {
            engine::Recordset* rs = Data1->Recordset();
            rs->Edit();
            try {
                rs->SetField(QStringLiteral("donvi"), QString());
                rs->SetField(QStringLiteral("donviid"), QVariant());
                rs->SetField(QStringLiteral("phong"), QString());
                rs->SetField(QStringLiteral("matt"), QString());
                rs->Update();
            } catch (const engine::DbError&) {
                rs->CancelUpdate();
                throw;
            }
        });
        Data1->ClearChanged();
        Data1->UpdateControls();
    }
    txtdonvi->setFocus();
}

// What is being typed is finished first, as before leaving the row; the file's rows go out.
void frmbophan::Export()
{
    if (!leaveRow()) return;
    ExportGrid(app_, this, *Data1, *DBGrid1, QStringLiteral("bophan.xlsx"));
}

void frmbophan::reject()
{
    if (!leaveRow()) return;
    QDialog::reject();
}

bool frmbophan::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtphong && event->type() == QEvent::FocusOut) {
        // Only a move inside the window: a message shown, a button that checks for itself
        // ("Ghi đĩa", "Huỷ nạp", "Huỷ sửa"), or the unit list the check asks for, is no leaving.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QWidget* next = QApplication::focusWidget();
        const QList<QWidget*> own = {cmdUpdate, cmdAdd, Cmdsua, cmdclose, DBCombodonvi, txtdonvi};
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !own.contains(next)) phongLeft();
    }
    return QDialog::eventFilter(watched, event);
}

void frmbophan::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        leaveRow();
        return;
    }
    if (event->key() == Qt::Key_F4) {
        if (auto* box = qobject_cast<QLineEdit*>(focusWidget()); box && !box->isReadOnly()) box->clear();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace korvane
