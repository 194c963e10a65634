#include "frmloaitien.h"

#include "app.h"
#include "formkit.h"
#include "jetsql.h"
#include "passwords.h"
#include "text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kAdminMissing = QStringLiteral("Bắt buộc phải bổ sung quyền quản trị (QT) cho ít nhất một người trong danh sách!");

// What the password box holds for a user who has a password: the file keeps only its hash, so the
// box shows a stand-in, hidden like any password, and the password is written only when retyped.
const QString kKeptPassword = QStringLiteral("********");

// A refusal found inside a write's transaction; the write is undone and the text shown afterwards.
struct Refusal {
    QString text;
};

// A text value for SQL: quoted with its quotes doubled, or Null when empty.
QString sqlText(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("Null") : QLatin1Char('\'') + engine::escapeQuotes(value) + QLatin1Char('\'');
}

bool anyRow(engine::Database& db, const QString& sql)
{
    return !db.OpenRecordset(sql, engine::RecordsetType::Snapshot)->Eof();
}

}  // namespace

frmloaitien::frmloaitien(App& app, bool administrator, QWidget* parent)
    : QDialog(parent), app_(app), db_(app.PlanRefDb.get()), admin_(administrator)
{
    setObjectName(QStringLiteral("frmloaitien"));
    setWindowTitle(QStringLiteral("Người dùng"));
    lbltrangthai = NewStatusCaption(this);
    lbltrangthai->setObjectName(QStringLiteral("lbltrangthai"));
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    txthoten = new BoundLineEdit(QStringLiteral("hoten"), this);
    txthoten->setObjectName(QStringLiteral("txthoten"));
    txthoten->limit = 100;
    txttentrenmang = new BoundLineEdit(QStringLiteral("tentrenmang"), this);
    txttentrenmang->setObjectName(QStringLiteral("txttentrenmang"));
    txttentrenmang->limit = 100;
    txtmatkhau = new BoundLineEdit(QStringLiteral("matkhau"), this);
    txtmatkhau->setObjectName(QStringLiteral("txtmatkhau"));
    txtmatkhau->limit = 50;
    txtmatkhau->setEchoMode(QLineEdit::Password);
    txtnhaplaimatkhau = new QLineEdit(this);
    txtnhaplaimatkhau->setObjectName(QStringLiteral("txtnhaplaimatkhau"));
    txtnhaplaimatkhau->setEchoMode(QLineEdit::Password);
    txtnhaplaimatkhau->setMaxLength(50);
    // Kept to the same characters as the password box, so that the same typing gives the same text.
    txtnhaplaimatkhau->setValidator(new Tcvn3Validator(txtnhaplaimatkhau));
    // The first change typed into the stand-in replaces it: the box then holds only what was
    // typed (or pasted), never stand-in characters that the clerk cannot see.
    connect(txtmatkhau, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!standIn_) return;
        standIn_ = false;
        qsizetype head = 0, tail = 0;
        while (head < text.size() && head < kKeptPassword.size() && text[head] == kKeptPassword[head]) ++head;
        while (tail < text.size() - head && tail < kKeptPassword.size() - head &&
               text[text.size() - 1 - tail] == kKeptPassword[kKeptPassword.size() - 1 - tail])
            ++tail;
        txtmatkhau->setText(text.mid(head, text.size() - head - tail));
    });
    txtquyenhan = new QLineEdit(this);
    txtquyenhan->setObjectName(QStringLiteral("txtquyenhan"));
    txtquyenhan->setReadOnly(true);
    Txtkieuform = new QLineEdit(QStringLiteral("nguoidung"), this);
    Txtkieuform->setObjectName(QStringLiteral("Txtkieuform"));
    Txtkieuform->hide();
    txtvitri = NewPositionBox(this);
    txtvitri->setObjectName(QStringLiteral("txtvitri"));
    Framequyenhan = new QGroupBox(this);
    Framequyenhan->setObjectName(QStringLiteral("Framequyenhan"));
    Checkquantri = new QCheckBox(QStringLiteral("Quản trị mạng"), Framequyenhan);
    Checkquantri->setObjectName(QStringLiteral("Checkquantri"));
    Checkxemketoan = new QCheckBox(QStringLiteral("Lãnh đạo cơ quan"), Framequyenhan);
    Checkxemketoan->setObjectName(QStringLiteral("Checkxemketoan"));
    cmdAdd = NamedButton(this, "cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = NamedButton(this, "Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = NamedButton(this, "cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdDelete = NamedButton(this, "cmdDelete", QStringLiteral("&Xoá"));
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));

    auto* frameLayout = new QHBoxLayout(Framequyenhan);
    frameLayout->addWidget(Checkquantri);
    frameLayout->addWidget(Checkxemketoan);
    auto* boxes = new QGridLayout;
    const QList<QPair<QString, QWidget*>> rows{{QStringLiteral("Họ tên"), txthoten},
                                               {QStringLiteral("Tên trên mạng"), txttentrenmang},
                                               {QStringLiteral("Mật khẩu"), txtmatkhau},
                                               {QStringLiteral("Nhập lại mật khẩu"), txtnhaplaimatkhau},
                                               {QStringLiteral("Quyền hạn"), txtquyenhan}};
    for (int r = 0; r < rows.size(); ++r) {
        auto* label = new QLabel(rows[r].first, this);
        label->setBuddy(rows[r].second);
        boxes->addWidget(label, r, 0);
        boxes->addWidget(rows[r].second, r, 1);
    }
    boxes->addWidget(Framequyenhan, rows.size(), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(txtvitri);
    buttons->addStretch();
    for (QPushButton* b : {cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    resize(640, 480);
    PressButtonsWithEnter(this);

    connect(cmdAdd, &QPushButton::clicked, this, &frmloaitien::onAdd);
    connect(Cmdsua, &QPushButton::clicked, this, &frmloaitien::onEdit);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmloaitien::onSave);
    connect(cmdDelete, &QPushButton::clicked, this, &frmloaitien::onDelete);
    connect(cmdclose, &QPushButton::clicked, this, &frmloaitien::reject);
    connect(Checkquantri, &QCheckBox::clicked, this, &frmloaitien::rightsClicked);
    connect(Checkxemketoan, &QCheckBox::clicked, this, &frmloaitien::rightsClicked);
    connect(txtvitri, &QLineEdit::returnPressed, this, [this] { JumpToPosition(txtvitri, *Data1); });
    // While a row is being added or corrected the grid cannot move away from it.
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) { cancel = !mode_.isEmpty(); });
    connect(Data1, &DataSource::Reposition, this, &frmloaitien::showRow);
    connect(Data1, &DataSource::Error, this, [this](int, const QString& description) {
        app_.Message(QStringLiteral("Lỗi dữ liệu: ") + description);
    });
    load();
}

frmloaitien::~frmloaitien() = default;

void frmloaitien::dataError(const engine::DbError& e)
{
    app_.RecordFailure(e);
    app_.Message(QStringLiteral("Lỗi dữ liệu: ") + e.description());
}

QString frmloaitien::viewStatus() const
{
    return admin_ ? QStringLiteral("Xem danh sách người dùng") : QStringLiteral("Đổi mật khẩu");
}

void frmloaitien::load()
{
    Data1->Database = db_;
    QString source = QStringLiteral("select * from nguoidung");
    if (!admin_) {
        // Only the row whose full name is the user's: a network name that happens to equal it
        // belongs to somebody else.
        source = QStringLiteral("select * from nguoidung where hoten='%1'").arg(engine::escapeQuotes(app_.UserFullName));
        try {
            if (db_) {
                auto own = db_->OpenRecordset(source, engine::RecordsetType::Snapshot);
                if (!own->Eof()) source = QStringLiteral("select * from nguoidung where id = %1").arg(own->Field(QStringLiteral("id")).toLongLong());
            }
        } catch (const engine::DbError& e) {
            dataError(e);
        }
    }
    Data1->RecordSource = source;
    DBGrid1->SetDataSource(Data1, {{QStringLiteral("hoten"), QStringLiteral("Họ tên")},
                                   {QStringLiteral("tentrenmang"), QStringLiteral("Tên trên mạng")},
                                   {QStringLiteral("quyenhan"), QStringLiteral("Quyền hạn")}});
    if (db_ && Data1->Refresh() && Data1->Count() > 0) {
        Data1->MoveLast();
        Data1->MoveFirst();
    }
    toView();
}

void frmloaitien::showRow()
{
    ShowPosition(txtvitri, *Data1);
    const bool onRow = Data1->Position() >= 0;
    const QString rights = onRow ? Data1->Value(QStringLiteral("quyenhan")).toString() : QString();
    txthoten->load(onRow ? Data1->Value(QStringLiteral("hoten")) : QVariant());
    txttentrenmang->load(onRow ? Data1->Value(QStringLiteral("tentrenmang")) : QVariant());
    const bool hasPassword = onRow && !Data1->Value(QStringLiteral("matkhau")).toString().isEmpty();
    txtmatkhau->load(hasPassword ? QVariant(kKeptPassword) : QVariant());
    standIn_ = hasPassword;
    txtnhaplaimatkhau->clear();
    txtquyenhan->setText(rights);
    Checkquantri->setChecked(rights.startsWith(QLatin1String("QT"), Qt::CaseInsensitive));
    Checkxemketoan->setChecked(rights.contains(QLatin1Char('L'), Qt::CaseInsensitive));
}

void frmloaitien::toView()
{
    mode_.clear();
    cmdAdd->setText(QStringLiteral("&Nạp mới"));
    Cmdsua->setText(QStringLiteral("&Sửa"));
    SetReadOnly({txthoten, txttentrenmang, txtmatkhau}, true);
    txtnhaplaimatkhau->setReadOnly(true);
    Framequyenhan->setEnabled(false);
    const bool onRow = Data1->Position() >= 0;
    cmdAdd->setEnabled(admin_ && db_);
    Cmdsua->setEnabled(onRow);
    cmdDelete->setEnabled(admin_ && onRow);
    cmdUpdate->setEnabled(false);
    DBGrid1->setEnabled(true);
    ShowStatus(lbltrangthai, viewStatus(), false);
    showRow();
}

void frmloaitien::onAdd()
{
    if (!admin_) return;
    if (mode_ == QLatin1String("nap")) {
        toView();
        return;
    }
    mode_ = QStringLiteral("nap");
    for (BoundLineEdit* box : {txthoten, txttentrenmang, txtmatkhau}) box->load(QVariant());
    standIn_ = false;
    txtnhaplaimatkhau->clear();
    // A new user starts as staff: a user without rights could never log in.
    Checkquantri->setChecked(false);
    Checkxemketoan->setChecked(false);
    txtquyenhan->setText(QStringLiteral("CB"));
    SetReadOnly({txthoten, txttentrenmang, txtmatkhau}, false);
    txtnhaplaimatkhau->setReadOnly(false);
    Framequyenhan->setEnabled(true);
    cmdAdd->setText(QStringLiteral("&Huỷ nạp"));
    Cmdsua->setEnabled(false);
    cmdDelete->setEnabled(false);
    cmdUpdate->setEnabled(true);
    DBGrid1->setEnabled(false);
    ShowStatus(lbltrangthai, QStringLiteral("Nhập tên, quyền hạn người dùng mới"), true);
    txthoten->setFocus();
}

void frmloaitien::onEdit()
{
    if (mode_ == QLatin1String("sua")) {
        toView();  // the row as the file holds it
        return;
    }
    if (Data1->Position() < 0) return;
    mode_ = QStringLiteral("sua");
    SetReadOnly({txthoten, txttentrenmang}, !admin_);
    txtmatkhau->setReadOnly(false);
    txtnhaplaimatkhau->setReadOnly(false);
    Framequyenhan->setEnabled(admin_);
    Cmdsua->setText(QStringLiteral("&Huỷ sửa"));
    cmdAdd->setEnabled(false);
    cmdDelete->setEnabled(false);
    cmdUpdate->setEnabled(true);
    DBGrid1->setEnabled(false);
    ShowStatus(lbltrangthai, admin_ ? QStringLiteral("Sửa tên, quyền hạn người dùng") : QStringLiteral("Đổi mật khẩu"), true);
    (admin_ ? static_cast<QWidget*>(txthoten) : txtmatkhau)->setFocus();
}

void frmloaitien::rightsClicked()
{
    if (mode_.isEmpty()) return;
    QString rights;
    if (Checkquantri->isChecked()) rights = QStringLiteral("QT");
    if (Checkxemketoan->isChecked()) {
        if (!rights.isEmpty()) rights += QStringLiteral(" - ");
        rights += QStringLiteral("LĐ");
    }
    txtquyenhan->setText(rights.isEmpty() ? QStringLiteral("CB") : rights);
}

void frmloaitien::requireAdministrator()
{
    if (anyRow(*db_, QStringLiteral("select id from nguoidung")) && !anyRow(*db_, QStringLiteral("select id from nguoidung where quyenhan like '*q*'")))
        throw Refusal{kAdminMissing};
}

bool frmloaitien::onSave()
{
    if (mode_.isEmpty() || !db_) return false;
    const bool adding = mode_ == QLatin1String("nap");
    const QString name = txthoten->text().trimmed();
    const QString network = txttentrenmang->text().trimmed();
    // A password is written when a user is added and when the box was retyped; otherwise the
    // stored one stays as it is.
    const bool newPassword = adding || txtmatkhau->DataChanged;
    const QString password = newPassword ? txtmatkhau->text() : QString();
    const QString rights = txtquyenhan->text();
    if (name.isEmpty()) {
        app_.Message(QStringLiteral("Phải nhập đầy đủ họ tên người dùng!"));
        txthoten->setFocus();
        return false;
    }
    if (password.contains(QLatin1Char(' ')) || VietSortKey(password, true).compare(password, Qt::CaseInsensitive) != 0) {
        app_.Message(QStringLiteral("Phải sửa lại mật khẩu, không được có dấu cách hoặc chữ có dấu tiếng Việt như đ, Đ, ư, á, ă, ê, ô v.v..!"));
        txtmatkhau->setFocus();
        return false;
    }
    if (newPassword && password != txtnhaplaimatkhau->text()) {
        app_.Message(QStringLiteral("Mật khẩu nhập lại không giống mật khẩu mới! Cần gõ lại mật khẩu mới ở cả hai ô cho giống nhau."));
        txtnhaplaimatkhau->setFocus();
        txtnhaplaimatkhau->selectAll();
        return false;
    }
    const qlonglong id = adding ? 0 : Data1->Value(QStringLiteral("id")).toLongLong();
    const QString otherRow = adding ? QString() : QStringLiteral(" and id<>%1").arg(id);
    qlonglong written = id;
    QString refusal;
    try {
        // Hashed before the write takes the file's lock: the hash is slow on purpose.
        const QString stored = HashPassword(password);
        db_->WriteTransaction([&] {
            if (admin_) {
                // Checked inside the write's lock, so that two clerks cannot both take a name.
                if (anyRow(*db_, QStringLiteral("select id from nguoidung where hoten='%1'").arg(engine::escapeQuotes(name)) + otherRow))
                    throw Refusal{(adding ? QStringLiteral("Không được nhập họ tên mới là '") + name + QStringLiteral("' vì họ tên này đã được dùng! ")
                                          : QStringLiteral("Không được sửa họ tên người này thành ") + name + QStringLiteral(" vì họ tên này đã được dùng! ")) +
                                  QStringLiteral("Phải đặt lại họ tên khác (Thêm chữ A, B hoặc chữ tắt tên phòng ban v.v..).")};
                if (!network.isEmpty() &&
                    anyRow(*db_, QStringLiteral("select id from nguoidung where tentrenmang='%1'").arg(engine::escapeQuotes(network)) + otherRow))
                    throw Refusal{QStringLiteral("Không được đặt tên trên mạng là ") + network + QStringLiteral(" vì tên này đã được dùng! Phải đặt lại tên khác.")};
            }
            if (adding) {
                db_->Execute(QStringLiteral("INSERT INTO nguoidung (hoten, tentrenmang, matkhau, quyenhan, cothesua) VALUES (%1, %2, %3, %4, 'C')")
                                 .arg(sqlText(name), sqlText(network), sqlText(stored), sqlText(rights)));
                auto added = db_->OpenRecordset(QStringLiteral("select id from nguoidung where hoten='%1'").arg(engine::escapeQuotes(name)),
                                                engine::RecordsetType::Snapshot);
                if (!added->Eof()) written = added->Field(QStringLiteral("id")).toLongLong();
            } else {
                // Anybody but an administrator changes the password alone, whatever the boxes hold.
                QStringList set;
                if (admin_)
                    set << QStringLiteral("hoten=%1, tentrenmang=%2, quyenhan=%3").arg(sqlText(name), sqlText(network), sqlText(rights));
                if (newPassword) set << QStringLiteral("matkhau=%1").arg(sqlText(stored));
                if (!set.isEmpty() && db_->Execute(QStringLiteral("UPDATE nguoidung SET %1 WHERE id = %2").arg(set.join(QStringLiteral(", ")), QString::number(id))) != 1)
                    throw Refusal{QStringLiteral("Lỗi dữ liệu: người dùng này không còn trong danh sách (có thể đã bị xoá)!")};
            }
            if (admin_) requireAdministrator();  // a password alone never changes who administers
        });
    } catch (const Refusal& r) {
        refusal = r.text;
    } catch (const engine::DbError& e) {
        dataError(e);  // nothing was written: the boxes keep what was typed
        return false;
    }
    if (!refusal.isEmpty()) {
        app_.Message(refusal);
        return false;
    }
    mode_.clear();
    if (Data1->Refresh() && Data1->Count() > 0) {
        Data1->MoveLast();
        try {
            Data1->Recordset()->FindFirst(QStringLiteral("id = %1").arg(written));
            if (!Data1->Recordset()->NoMatch()) Data1->MoveToBookmark(Data1->Recordset()->Bookmark());
        } catch (const engine::DbError& e) {
            dataError(e);
        }
    }
    toView();
    return true;
}

void frmloaitien::onDelete()
{
    if (!admin_ || !mode_.isEmpty() || Data1->Position() < 0) return;
    const QString name = Data1->Value(QStringLiteral("hoten")).toString();
    if (app_.Message(QStringLiteral("Có chắc chắn muốn xoá người dùng ") + name + QStringLiteral(" khỏi danh sách không ?"), QStringLiteral("yesno")) !=
        QLatin1String("yes"))
        return;
    const long position = Data1->Position();
    const qlonglong id = Data1->Value(QStringLiteral("id")).toLongLong();
    try {
        db_->WriteTransaction([&] {
            db_->Execute(QStringLiteral("DELETE * FROM nguoidung WHERE id = %1").arg(id));
            requireAdministrator();
        });
    } catch (const Refusal& r) {
        app_.Message(r.text);
        return;
    } catch (const engine::DbError& e) {
        dataError(e);
        return;
    }
    if (Data1->Refresh() && Data1->Count() > 0) {
        Data1->MoveLast();
        Data1->MoveTo(std::min<long>(position, Data1->Count() - 1));
    }
    toView();
}

bool frmloaitien::mayClose()
{
    if (!db_) return true;
    try {
        if (!anyRow(*db_, QStringLiteral("select id from nguoidung"))) {
            app_.UserFullName = QStringLiteral("Một người không rõ tên");
            app_.UserRights = QStringLiteral("QT");
            app_.RecheckRights = app_.UserRights;
            return true;
        }
        // Only an administrator can give the rights back: anybody else is not held in the window.
        if (admin_ && !anyRow(*db_, QStringLiteral("select id from nguoidung where quyenhan like '*q*'"))) {
            app_.Message(kAdminMissing);
            txthoten->setFocus();
            return false;
        }
    } catch (const engine::DbError& e) {
        dataError(e);  // the file cannot be read: nothing here can mend it, so the window closes
    }
    return true;
}

void frmloaitien::reject()
{
    if (!mode_.isEmpty()) {
        // A user being added or changed is not dropped unasked; no answer keeps the window open.
        const QString answer = app_.Message(mode_ == QLatin1String("nap") ? QStringLiteral("Có lưu giữ bản ghi đang nạp không ?")
                                                                           : QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"),
                                            QStringLiteral("yesno"));
        if (answer == QLatin1String("yes")) {
            if (!onSave()) return;
        } else if (answer == QLatin1String("no")) {
            mode_ == QLatin1String("nap") ? onAdd() : onEdit();  // their cancelling captions
        } else {
            return;
        }
    }
    if (mayClose()) QDialog::reject();
}

void InstallUserWindow(App& app)
{
    app.Openers[QStringLiteral("mnunguoidung")] = [](App& a) {
        if (!a.PlanRefDb) {
            a.Message(QStringLiteral("Lỗi dữ liệu: chưa mở được file dữ liệu ") + a.PlanRefFile);
            return;
        }
        frmloaitien window(a, a.RecheckRights.toLower().startsWith(QLatin1Char('q')), a.Window(QStringLiteral("frmMain")));
        a.modal().runModal(window);
    };
}

}  // namespace korvane
