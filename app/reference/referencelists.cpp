#include "referencelists.h"

#include "app.h"
#include "export.h"
#include "frmbophan.h"
#include "frmchutat.h"
#include "frmdonvi.h"
#include "frmloaicv.h"
#include "frmtendonvi.h"
#include "startup.h"
#include "text.h"

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
constexpr int kSortKeyLength = 150;

BoundLineEdit* HiddenTwin(QWidget* parent, DataSource* source, const QString& column, const char* name)
{
    auto* box = new BoundLineEdit(column, parent);
    box->setObjectName(QLatin1String(name));
    box->hide();
    source->Bind(box);
    return box;
}

}  // namespace

QString ReferenceSortKey(const QString& name) { return VietSortKey(name, false).left(kSortKeyLength); }

AbbreviationList::AbbreviationList(App& app, Kind kind, QWidget* parent) : QDialog(parent), app_(app), kind_(std::move(kind))
{
    setObjectName(QLatin1String(kind_.form));
    setWindowTitle(kind_.title);
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    lbltieude = new QLabel(kind_.title, this);
    lbltieude->setObjectName(QStringLiteral("lbltieude"));
    QFont heading = lbltieude->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    lbltieude->setFont(heading);
    lbltieude->setAlignment(Qt::AlignCenter);
    lbltrangthai = NewStatusCaption(this);
    lblData1 = new QLabel(this);
    lblData1->setObjectName(QStringLiteral("lblData1"));

    mname = new QLineEdit(this);
    mname->setObjectName(QLatin1String(kind_.entryBox));
    mchutat = new QLineEdit(this);
    mchutat->setObjectName(QStringLiteral("mchutat"));
    for (QLineEdit* box : {mname, mchutat}) box->setValidator(new Tcvn3Validator(box));

    txtid = HiddenTwin(this, Data1, QStringLiteral("id"), "txtid");
    txtmatt = HiddenTwin(this, Data1, QStringLiteral("matt"), "txtmatt");
    txtname = HiddenTwin(this, Data1, kind_.nameColumn, kind_.twinBox);
    txtchutat = HiddenTwin(this, Data1, QStringLiteral("chutat"), "txtchutat");

    cmdAdd = NamedButton(this, "cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = NamedButton(this, "Cmdsua", QStringLiteral("&Sửa"));
    cmdDelete = NamedButton(this, "cmdDelete", QStringLiteral("&Xoá"));
    cmdUpdate = NamedButton(this, "cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdxuat = NamedButton(this, "cmdxuat", QStringLiteral("Xuất &Excel"));
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));

    auto* entries = new QGridLayout;
    auto* nameCaption = new QLabel(kind_.nameHeading, this);
    nameCaption->setBuddy(mname);
    auto* abbrCaption = new QLabel(QStringLiteral("Chữ tắt"), this);
    abbrCaption->setBuddy(mchutat);
    entries->addWidget(nameCaption, 0, 0);
    entries->addWidget(mname, 0, 1);
    entries->addWidget(abbrCaption, 1, 0);
    entries->addWidget(mchutat, 1, 1);
    entries->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblData1);
    buttons->addStretch();
    for (QPushButton* b : {cmdAdd, Cmdsua, cmdDelete, cmdUpdate, cmdxuat, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltieude);
    layout->addWidget(lbltrangthai);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(entries);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    ChainTabOrder({mname, mchutat, cmdAdd, Cmdsua, cmdDelete, cmdUpdate, cmdxuat, cmdclose, DBGrid1});

    DBGrid1->SetDataSource(Data1, {{kind_.nameColumn, kind_.nameHeading}, {QStringLiteral("chutat"), QStringLiteral("Chữ tắt")}});
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) {
        if (saving_ || !Changing()) return;
        validating_ = true;
        cancel = !AskToSave();
        validating_ = false;
    });
    connect(Data1, &DataSource::Reposition, this, [this] {
        showPosition();
        if (!Changing()) loadEntries();
    });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        app_.Message(QStringLiteral("Lỗi dữ liệu: ") + description);
    });
    connect(cmdAdd, &QPushButton::clicked, this, &AbbreviationList::Add);
    connect(Cmdsua, &QPushButton::clicked, this, &AbbreviationList::Correct);
    connect(cmdDelete, &QPushButton::clicked, this, &AbbreviationList::Delete);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdxuat, &QPushButton::clicked, this, &AbbreviationList::Export);
    connect(cmdclose, &QPushButton::clicked, this, &AbbreviationList::CloseWindow);
    backToView(false);
    resize(620, 480);
}

void AbbreviationList::Open(engine::Database* db)
{
    Data1->Database = db;
    Data1->RecordSource = QStringLiteral("select * from ") + kind_.table + QStringLiteral(" order by matt");
    if (Data1->Refresh() && Data1->Count() > 0) Data1->MoveLast();
    app_.FormMode.clear();
    backToView(false);
    const int length = [&] {
        try {
            return Data1->Recordset() ? Data1->Recordset()->FieldInfo(kind_.nameColumn).size : 0;
        } catch (const engine::DbError&) {
            return 0;
        }
    }();
    if (length > 0) mname->setMaxLength(length);
    if (txtchutat->limit > 0) mchutat->setMaxLength(txtchutat->limit);
}

// What is being typed is finished first, as before "Nạp mới"; the file's rows are what goes out.
void AbbreviationList::Export()
{
    if (Changing() && !AskToSave()) return;
    ExportGrid(app_, this, *Data1, *DBGrid1, kind_.table + QStringLiteral(".xlsx"));
}

bool AbbreviationList::Changing() const { return app_.FormMode == kAdd || app_.FormMode == kEdit; }

QString AbbreviationList::rowName() const { return Data1->Value(kind_.nameColumn).toString(); }
QString AbbreviationList::rowAbbreviation() const { return Data1->Value(QStringLiteral("chutat")).toString(); }

void AbbreviationList::showPosition()
{
    lblData1->setText(QStringLiteral("%1/%2").arg(Data1->Position() + 1).arg(Data1->Count()));
}

void AbbreviationList::loadEntries()
{
    mname->setText(rowName());
    mchutat->setText(rowAbbreviation());
}

// Step 6 of a save: viewing the current row, the entry boxes locked.
void AbbreviationList::backToView(bool afterQuestion)
{
    app_.FormMode = kView;
    saving_ = false;
    ShowStatus(lbltrangthai, afterQuestion ? kind_.viewAfterQuestion : kind_.viewText, false);
    loadEntries();
    SetReadOnly({mname, mchutat}, true);
    mname->setFocus();
}

void AbbreviationList::Add()
{
    if (app_.FormMode == kEdit && !AskToSave()) return;
    if (app_.FormMode == kAdd && !Save()) return;
    SetReadOnly({mname, mchutat}, false);
    mname->clear();
    mchutat->clear();
    app_.FormMode = kAdd;
    ShowStatus(lbltrangthai, kind_.addText, true);
    mname->setFocus();
}

void AbbreviationList::Correct()
{
    if (!Changing() && Data1->Position() >= 0) {
        SetReadOnly({mname, mchutat}, false);
        app_.FormMode = kEdit;
        ShowStatus(lbltrangthai, kind_.editText, true);
    }
    mname->setFocus();
}

bool AbbreviationList::Save()
{
    if (!Changing()) {
        mname->setFocus();
        return true;
    }
    refused_ = false;
    const bool adding = app_.FormMode == kAdd;
    const QString name = mname->text().trimmed(), abbreviation = mchutat->text().trimmed();
    mname->setText(name);
    mchutat->setText(abbreviation);
    if (adding && name.isEmpty()) {  // no name: nothing to add
        backToView(false);
        return true;
    }
    if (name.isEmpty() || abbreviation.isEmpty()) {
        app_.Message(kind_.emptyMessage);
        refused_ = true;
        (name.isEmpty() ? mname : mchutat)->setFocus();
        return false;
    }
    const QString oldAbbreviation = adding ? QString() : rowAbbreviation();
    if (!adding && name == rowName() && abbreviation == oldAbbreviation) {
        backToView(false);
        return true;
    }

    // The abbreviation may not be another row's, in any letter case. The test runs inside the
    // write's transaction, so that two clerks cannot give the same abbreviation at once; a row
    // keeps its own abbreviation, and may change only its letter case.
    const qlonglong ownId = adding ? -1 : Data1->Value(QStringLiteral("id")).toLongLong();
    const bool test = adding || abbreviation != oldAbbreviation;
    QString usedFor;
    bool taken = false;
    auto check = [&] {
        if (!test) return;
        auto rows = Data1->Database->OpenRecordset(
            QStringLiteral("select %1, chutat from %2 where id <> %3").arg(kind_.nameColumn, kind_.table).arg(ownId),
            engine::RecordsetType::Snapshot);
        for (; !rows->Eof(); rows->MoveNext()) {
            if (rows->Field(QStringLiteral("chutat")).toString().trimmed().compare(abbreviation, Qt::CaseInsensitive) == 0) {
                usedFor = rows->Field(kind_.nameColumn).toString();
                taken = true;
                throw WriteRefused{};
            }
        }
    };

    saving_ = true;
    if (adding && !Data1->AddNew()) {
        saving_ = false;
        return false;
    }
    txtname->setText(name);
    txtchutat->setText(abbreviation);
    txtmatt->setText(ReferenceSortKey(name));
    const bool written = Data1->UpdateRecord({}, check);
    if (!written) {
        // Nothing was written: the row stays as the file holds it, the entries as typed.
        Data1->CancelAdd();
        Data1->ClearChanged();
        Data1->UpdateControls();
        saving_ = false;
        refused_ = true;
        if (taken) {
            app_.Message(QStringLiteral("Chữ tắt  '") + abbreviation + QStringLiteral("'  đã dùng cho chữ  '") + usedFor +
                         QStringLiteral("' .") + QLatin1Char('\r') + QStringLiteral("Cần phải dùng chữ khác!"));
            mchutat->setFocus();
            mchutat->selectAll();
        } else {
            mname->setFocus();
        }
        return false;
    }
    const qint64 id = Data1->Value(QStringLiteral("id")).toLongLong();
    // Reading the rows again from inside the data source's own move would pull the grid's rows
    // from under it: then the rows are read again once the move is over.
    if (validating_) QTimer::singleShot(0, this, [this, id] { refreshOn(id); });
    else refreshOn(id);
    backToView(false);
    return true;
}

void AbbreviationList::refreshOn(qint64 id)
{
    if (Data1->Refresh()) Data1->FindBookmark(id);
}

bool AbbreviationList::AskToSave()
{
    if (saving_ || !Changing()) return true;
    const bool adding = app_.FormMode == kAdd;
    const bool typed = adding ? !mname->text().trimmed().isEmpty() : mname->text() != rowName() || mchutat->text() != rowAbbreviation();
    if (typed) {
        const QString answer =
            app_.Message(adding ? QStringLiteral("Có lưu nội dung đang nạp không ?") : QStringLiteral("Có lưu những nội dung vừa sửa không ?"),
                         QStringLiteral("yesno"));
        if (answer == QLatin1String("yes")) {
            if (!Save()) return false;
        } else if (answer != QLatin1String("no")) {
            mname->setFocus();  // closed without an answer: still typing
            return false;
        }
    }
    backToView(true);
    return true;
}

void AbbreviationList::Delete()
{
    if (Changing()) {
        app_.Message(QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !"));
        mname->setFocus();
        return;
    }
    if (Data1->Position() < 0 || Data1->Count() == 0) {
        mname->setFocus();
        return;
    }
    // Only an explicit "yes" deletes; "no", Esc and the question's frame keep the row.
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá dòng này không ?"), QStringLiteral("yesno")) == QLatin1String("yes")) Data1->Delete();
    mname->setFocus();
}

void AbbreviationList::CloseWindow()
{
    if (Changing() && !AskToSave()) {
        mname->setFocus();
        return;
    }
    app_.FormMode = kView;
    accept();
}

void AbbreviationList::reject() { CloseWindow(); }

void AbbreviationList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        AskToSave();
        return;
    }
    if (event->key() == Qt::Key_F4) {
        if (auto* box = qobject_cast<QLineEdit*>(focusWidget()); box && !box->isReadOnly()) box->clear();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- Openers -------------------------------------------------------------------------------

namespace {

QWidget* MainWindow(App& app) { return app.Window(QStringLiteral("frmMain")); }

// The shared lists read again, so that the registers offer and expand what was just entered.
void ReopenLists(App& app) { ShowingDataErrors(app, [&] { OpenReferenceLists(app); }); }

void RunList(App& app, AbbreviationList& window, engine::Database* db)
{
    window.Open(db);
    app.modal().runModal(window);
    ReopenLists(app);
}

}  // namespace

void InstallReferenceListWindows(App& app)
{
    app.Openers[QStringLiteral("mnunapdonvi")] = [](App& a) {
        frmdonvi window(a, frmdonvi::Rows::Units, MainWindow(a));
        RunList(a, window, a.PlanRefDb.get());
    };
    app.Openers[QStringLiteral("mnunapnoigui")] = [](App& a) {
        frmdonvi window(a, frmdonvi::Rows::Correspondents, MainWindow(a));
        RunList(a, window, a.DocRefDb.get());
    };
    app.Openers[QStringLiteral("mnunaploaicv")] = [](App& a) {
        frmloaicv window(a, MainWindow(a));
        RunList(a, window, a.DocRefDb.get());
    };
    app.Openers[QStringLiteral("mnunapchutat")] = [](App& a) {
        frmchutat window(a, MainWindow(a));
        RunList(a, window, a.LocalRefDb.get());
    };
    app.Openers[QStringLiteral("mnunapbophan")] = [](App& a) {
        frmbophan window(a, MainWindow(a));
        window.Open();
        a.modal().runModal(window);
    };
    app.Openers[QStringLiteral("mnutendonvi")] = [](App& a) {
        frmtendonvi window(a, MainWindow(a));
        a.modal().runModal(window);
    };
}

}  // namespace korvane
