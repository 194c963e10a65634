#include "frmlogin.h"

#include "app.h"
#include "formkit.h"
#include "jetsql.h"
#include "passwords.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

frmlogin::frmlogin(App& app, const QString& mode, QWidget* parent) : QDialog(parent), app_(app)
{
    setObjectName(QStringLiteral("frmlogin"));
    setWindowTitle(QStringLiteral("Đăng nhập"));
    Label1 = new QLabel(QStringLiteral("Kiểm tra tên và mật khẩu"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    Label1->setFont(heading);
    Label1->setAlignment(Qt::AlignCenter);
    txtUserName = new QLineEdit(this);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    Combotenbangthamkhao = new QComboBox(this);
    Combotenbangthamkhao->setObjectName(QStringLiteral("Combotenbangthamkhao"));
    Txtchedologin = new QLineEdit(mode, this);
    Txtchedologin->setObjectName(QStringLiteral("Txtchedologin"));
    Txtchedologin->hide();
    cmdok = new QPushButton(QStringLiteral("&Tiếp tục"), this);
    cmdok->setObjectName(QStringLiteral("cmdok"));
    cmdok->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Kết thúc"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout;
    auto* nameLabel = new QLabel(QStringLiteral("Tên"), this);
    nameLabel->setBuddy(txtUserName);
    auto* passwordLabel = new QLabel(QStringLiteral("Mật khẩu"), this);
    passwordLabel->setBuddy(txtPassword);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(txtUserName, 0, 1);
    grid->addWidget(Combotenbangthamkhao, 1, 1);
    grid->addWidget(passwordLabel, 2, 0);
    grid->addWidget(txtPassword, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdok);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setMinimumWidth(380);
    setTabOrder(txtUserName, Combotenbangthamkhao);
    setTabOrder(Combotenbangthamkhao, txtPassword);
    setTabOrder(txtPassword, cmdok);
    setTabOrder(cmdok, cmdCancel);

    connect(cmdok, &QPushButton::clicked, this, &frmlogin::onContinue);
    connect(cmdCancel, &QPushButton::clicked, this, &frmlogin::onCancel);
    connect(Combotenbangthamkhao, &QComboBox::activated, this,
            [this](int index) { txtUserName->setText(Combotenbangthamkhao->itemText(index)); });
    for (QLineEdit* box : {txtUserName, txtPassword}) box->installEventFilter(this);
    openUsers();
    txtUserName->setFocus();
}

frmlogin::~frmlogin() = default;

bool frmlogin::readUsers()
{
    try {
        users_.reset();
        db_ = std::make_unique<engine::Database>(app_.PlanRefFile, engine::Database::Access::ReadOnly);
        users_ = db_->OpenRecordset(QStringLiteral("select * from nguoidung"), engine::RecordsetType::Snapshot);
        return true;
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        users_.reset();
        db_.reset();
        return false;
    }
}

void frmlogin::openUsers()
{
    if (!readUsers()) {
        txtUserName->clear();
        return;
    }
    try {
        txtUserName->setText(app_.LogonName ? app_.LogonName() : QString());
        if (users_->RecordCount() == 0) {
            txtUserName->clear();
        } else {
            const QString name = engine::escapeQuotes(txtUserName->text());
            if (!findUser(QStringLiteral("hoten='%1' or tentrenmang='%1'").arg(name))) txtUserName->clear();
            for (users_->MoveFirst(); !users_->Eof(); users_->MoveNext()) {
                const QString fullName = users_->Field(QStringLiteral("hoten")).toString();
                if (!fullName.trimmed().isEmpty()) Combotenbangthamkhao->addItem(fullName);
            }
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        txtUserName->clear();
    }
    Combotenbangthamkhao->setCurrentIndex(-1);
}

bool frmlogin::findUser(const QString& criteria)
{
    if (!users_) return false;
    users_->FindFirst(criteria);
    return !users_->NoMatch();
}

void frmlogin::accept(const QString& fullName, const QString& rights)
{
    if (Txtchedologin->text().compare(QLatin1String("ktraquyenquantri"), Qt::CaseInsensitive) == 0) app_.RecheckRights = rights;
    app_.UserFullName = fullName;
    app_.UserRights = rights;
    users_.reset();
    QDialog::accept();
}

bool frmlogin::findUserWithPassword(const QString& criteria, const QString& password)
{
    if (!users_) return false;
    for (users_->FindFirst(criteria); !users_->NoMatch(); users_->FindNext(criteria)) {
        const QVariant stored = users_->Field(QStringLiteral("matkhau"));
        if (!stored.isNull() && VerifyPassword(password, stored.toString())) return true;
    }
    return false;
}

void frmlogin::hashClearPassword(const QString& password)
{
    const QString stored = users_->Field(QStringLiteral("matkhau")).toString();
    if (stored.isEmpty() || IsPasswordHash(stored)) return;
    const qlonglong id = users_->Field(QStringLiteral("id")).toLongLong();
    // A file that cannot be written now (read-only, busy, on a share that went away) keeps the
    // old row, and the login goes on: the row is hashed at a later login.
    try {
        const QString hashed = HashPassword(password);
        engine::Database db(app_.PlanRefFile);
        db.WriteTransaction([&] {
            // Only the password that was checked: another clerk may have changed it since.
            auto row = db.OpenRecordset(QStringLiteral("select matkhau from nguoidung where id = %1").arg(id), engine::RecordsetType::Snapshot);
            if (row->Eof() || row->Field(QStringLiteral("matkhau")).toString() != stored) return;
            db.Execute(QStringLiteral("UPDATE nguoidung SET matkhau = '%1' WHERE id = %2").arg(engine::escapeQuotes(hashed), QString::number(id)));
        });
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
}

void frmlogin::onContinue()
{
    // The typed name goes into criteria: its quotes are doubled, so a name is only ever a name.
    const QString name = engine::escapeQuotes(txtUserName->text().trimmed());
    const QString password = txtPassword->text().trimmed();
    // The users table must have been read: a file that cannot be read grants nothing, since only
    // a table known to be empty lets anybody in. It is read again here in case the share is back.
    if (!users_ && !readUsers()) {
        app_.Message(QStringLiteral("Không đọc được danh sách người dùng trong file dữ liệu ") + app_.PlanRefFile + QLatin1Char('\r') +
                     QStringLiteral("Chưa thể đăng nhập. Cần kiểm tra lại file dữ liệu này (và việc nối mạng nếu file nằm trên mạng) rồi thử lại !"));
        return;
    }
    try {
        if (users_->RecordCount() == 0) {
            app_.UserFullName = QStringLiteral("Một người không rõ tên");
            app_.UserRights = QStringLiteral("Q");
            app_.RecheckRights = QStringLiteral("Q");
            QDialog::accept();
            return;
        }
        // The first user of that network name whose password it is, else the first of that full name.
        if (findUserWithPassword(QStringLiteral("tentrenmang='%1'").arg(name), password) ||
            findUserWithPassword(QStringLiteral("hoten='%1'").arg(name), password)) {
            hashClearPassword(password);
            accept(users_->Field(QStringLiteral("hoten")).toString(), users_->Field(QStringLiteral("quyenhan")).toString());
            return;
        }
        const QString byName = QStringLiteral("hoten='%1' or tentrenmang ='%1'").arg(name);
        if (!findUser(byName)) {
            app_.modal().systemMessage(QStringLiteral("Login"), QStringLiteral("Sai ten nguoi dung! Can nhap lai ten tu danh sach! "));
        } else if (users_->Field(QStringLiteral("matkhau")).toString().trimmed().isEmpty()) {
            accept(users_->Field(QStringLiteral("hoten")).toString(), users_->Field(QStringLiteral("quyenhan")).toString());
            return;
        } else {
            app_.modal().systemMessage(QStringLiteral("Login"), QStringLiteral("Mat khau sai! Can nhap lai mat khau! "));
        }
        ++failures_;
        if (failures_ == 3) {
            if (findUser(byName)) {
                // A hashed password gives no hint: its letters are not kept anywhere.
                const QString stored = users_->Field(QStringLiteral("matkhau")).toString();
                if (!IsPasswordHash(stored))
                    app_.modal().systemMessage(QStringLiteral("Login"),
                                               QStringLiteral("Goi y mat khau:  ") + stored.left(2) + QStringLiteral("...") + stored.right(2));
                failures_ = 10;
            }
        } else if (failures_ == 13) {
            app_.UserFullName.clear();
            app_.UserRights.clear();
            app_.RecheckRights.clear();
            users_.reset();
            QDialog::reject();
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Gặp lỗi khi đang kiểm tra tên và mật khẩu."));
    }
}

void frmlogin::onCancel() { reject(); }

void frmlogin::reject()
{
    // Esc, the cancel button and the window's close box all mean the user gives up.
    app_.MsgText = QStringLiteral("thoi");
    QDialog::reject();
}

bool frmlogin::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, box, &QLineEdit::selectAll);  // entering a box selects its text
    } else if (box && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4 &&
               box->objectName().startsWith(QLatin1String("txt"), Qt::CaseInsensitive)) {
        box->clear();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString KiemtraQuyenQuantri(App& app, const QString& kind)
{
    app.MsgText.clear();
    frmlogin dialog(app, QStringLiteral("ktraquyenquantri"));
    if (kind == QLatin1String("q")) {
        dialog.Label1->setText(QStringLiteral("Kiểm tra quyền quản trị"));
        app.RecheckRights.clear();
    } else {
        dialog.Label1->setText(QStringLiteral("Nhập lại tên, mật khẩu đang dùng"));
    }
    const int closed = app.modal().runModal(dialog);
    if (closed != QDialog::Accepted || app.MsgText == QLatin1String("thoi") || app.RecheckRights.isEmpty()) return QString();
    QString result = app.RecheckRights;
    if (kind == QLatin1String("q")) {
        if (!result.contains(QLatin1Char('Q'), Qt::CaseInsensitive)) {
            app.MsgText = QStringLiteral("Phải có quyền quản trị mới được phép sử dụng chức năng này!");
            result.clear();
        } else {
            result = QStringLiteral("q");
        }
    }
    if (!app.MsgText.isEmpty()) app.Message(app.MsgText);
    return result;
}

}  // namespace korvane
