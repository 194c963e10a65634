// The users window opened from the main window's users item after the re-entry of name and
// password: what an administrator and a member of staff may change, the checks of a save, and
// the rule that the table never keeps users without an administrator.
#include "formkit.h"
#include "frmloaitien.h"
#include "frmlogin.h"
#include "jetsql.h"
#include "office.h"
#include "passwords.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace korvane;

namespace {
const QString kAdminMissing = QStringLiteral("Bắt buộc phải bổ sung quyền quản trị (QT) cho ít nhất một người trong danh sách!");
const QString kRepeatDiffers = QStringLiteral("Mật khẩu nhập lại không giống mật khẩu mới! Cần gõ lại mật khẩu mới ở cả hai ô cho giống nhau.");
}

class Users : public Office {
protected:
    void addUser(const QString& name, const QString& network, const QString& rights, const QString& password)
    {
        app.PlanRefDb->Execute(QStringLiteral("INSERT INTO nguoidung (hoten, tentrenmang, quyenhan, matkhau) VALUES ('%1', '%2', '%3', '%4')")
                                   .arg(engine::escapeQuotes(name), network, rights, password));
    }
    // Re-enters as `name` and works in the window through `work`.
    void open(const QString& name, const QString& password, std::function<void(frmloaitien&)> work)
    {
        InstallUserWindow(app);
        modal.drivers[QStringLiteral("frmlogin")] = testing_support::LoginAs(name, password);
        modal.drivers[QStringLiteral("frmloaitien")] = [work](QDialog& d) { work(static_cast<frmloaitien&>(d)); };
        main.mnunguoidung->trigger();
    }
    // The users as the file holds them; a hashed password shows as "#".
    QStringList users()
    {
        QStringList rows = Rows(*app.PlanRefDb, QStringLiteral("SELECT hoten, tentrenmang, quyenhan, matkhau FROM nguoidung ORDER BY id"));
        for (QString& row : rows) {
            const qsizetype cut = row.lastIndexOf(QLatin1Char('|')) + 1;
            if (IsPasswordHash(row.mid(cut))) row = row.left(cut) + QLatin1Char('#');
        }
        return rows;
    }
    QString password(const QString& name)
    {
        return Rows(*app.PlanRefDb, QStringLiteral("SELECT matkhau FROM nguoidung WHERE hoten='%1'").arg(engine::escapeQuotes(name))).value(0);
    }
    // A new password, typed in both boxes.
    static void typePassword(frmloaitien& w, const QString& text)
    {
        w.txtmatkhau->setText(text);
        w.txtnhaplaimatkhau->setText(text);
    }
    static void type(QLineEdit* box, const QString& text) { box->setText(text); }
    // A click on the box itself (a check box takes clicks only on its mark and caption).
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2)); }
};

TEST_F(Users, AnAdministratorAddsAndRenamesWithNamesKeptUnique)
{
    addUser(QStringLiteral("Quản Trị"), QStringLiteral("qt"), QStringLiteral("QT"), QStringLiteral("x"));
    open(QStringLiteral("qt"), QStringLiteral("x"), [this](frmloaitien& w) {
        EXPECT_EQ(w.lbltrangthai->text(), QStringLiteral("Xem danh sách người dùng"));
        click(w.cmdAdd);
        type(w.txthoten, QStringLiteral("O'Brien"));
        click(w.Checkquantri);
        click(w.Checkxemketoan);
        EXPECT_EQ(w.txtquyenhan->text(), QStringLiteral("QT - LĐ"));
        click(w.Checkquantri);
        click(w.Checkxemketoan);
        EXPECT_EQ(w.txtquyenhan->text(), QStringLiteral("CB"));
        typePassword(w, QStringLiteral("abc123"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        EXPECT_EQ(w.txtvitri->text(), QStringLiteral("2/2"));  // on the written row
        // The same name in other letter case, with its quote, is taken; two empty network names are not.
        click(w.cmdAdd);
        type(w.txthoten, QStringLiteral("o'brien"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QStringLiteral("nap"));
        type(w.txthoten, QStringLiteral("Lê Văn Ba"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        // Renamed to somebody else's name: refused; to its own name, or another network name: saved.
        click(w.Cmdsua);
        type(w.txthoten, QStringLiteral("O'BRIEN"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QStringLiteral("sua"));
        type(w.txthoten, QStringLiteral("Lê Văn Ba"));
        type(w.txttentrenmang, QStringLiteral("QT"));
        click(w.cmdUpdate);
        type(w.txttentrenmang, QStringLiteral("ba"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        // A user half typed is not dropped by Esc: no answer keeps it, "no" drops it and closes.
        click(w.cmdAdd);
        type(w.txthoten, QStringLiteral("Gõ dở"));
        modal.answers = {QStringLiteral("esc")};
        QTest::keyClick(w.txthoten, Qt::Key_Escape);
        EXPECT_EQ(modal.messages.back().text, QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.txthoten->text(), QStringLiteral("Gõ dở"));
        modal.answers = {QStringLiteral("no")};
        QTest::keyClick(w.txthoten, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(users(), (QStringList{QStringLiteral("Quản Trị|qt|QT|#"), QStringLiteral("O'Brien||CB|#"), QStringLiteral("Lê Văn Ba|ba|CB|")}));
    EXPECT_TRUE(VerifyPassword(QStringLiteral("abc123"), password(QStringLiteral("O'Brien"))));
    EXPECT_EQ(Rows(*app.PlanRefDb, QStringLiteral("SELECT DISTINCT cothesua FROM nguoidung WHERE id > 1")), QStringList{QStringLiteral("C")});
    EXPECT_EQ(modal.messageTexts().mid(0, 3),
              (QStringList{QStringLiteral("Không được nhập họ tên mới là 'o'brien' vì họ tên này đã được dùng! Phải đặt lại họ tên khác (Thêm chữ A, B hoặc chữ tắt tên phòng ban v.v..)."),
                           QStringLiteral("Không được sửa họ tên người này thành O'BRIEN vì họ tên này đã được dùng! Phải đặt lại họ tên khác (Thêm chữ A, B hoặc chữ tắt tên phòng ban v.v..)."),
                           QStringLiteral("Không được đặt tên trên mạng là QT vì tên này đã được dùng! Phải đặt lại tên khác.")}));
}

TEST_F(Users, PasswordsWithBlanksOrMarksAndFailedWritesAreNeverSaved)
{
    addUser(QStringLiteral("Quản Trị"), QStringLiteral("qt"), QStringLiteral("QT"), QStringLiteral("x"));
    const QString refused = QStringLiteral("Phải sửa lại mật khẩu, không được có dấu cách hoặc chữ có dấu tiếng Việt như đ, Đ, ư, á, ă, ê, ô v.v..!");
    open(QStringLiteral("qt"), QStringLiteral("x"), [&](frmloaitien& w) {
        click(w.Cmdsua);
        for (const char* password : {"a b", "mơ"}) {
            type(w.txtmatkhau, QString::fromUtf8(password));
            click(w.cmdUpdate);
            EXPECT_EQ(modal.messageTexts().back(), refused);
            EXPECT_EQ(w.Mode(), QStringLiteral("sua"));
        }
        typePassword(w, QStringLiteral("Abc123"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
    });
    EXPECT_EQ(users(), QStringList{QStringLiteral("Quản Trị|qt|QT|#")});
    EXPECT_TRUE(VerifyPassword(QStringLiteral("Abc123"), password(QStringLiteral("Quản Trị"))));

    // A file that refuses the write: the error is said and the typing stays, unsaved.
    app.PlanRefDb = std::make_unique<engine::Database>(app.PlanRefFile, engine::Database::Access::ReadOnly);
    open(QStringLiteral("qt"), QStringLiteral("Abc123"), [&](frmloaitien& w) {
        click(w.Cmdsua);
        typePassword(w, QStringLiteral("moi"));
        click(w.cmdUpdate);
        EXPECT_TRUE(modal.messageTexts().back().startsWith(QStringLiteral("Lỗi dữ liệu:")));
        EXPECT_EQ(w.Mode(), QStringLiteral("sua"));
        EXPECT_EQ(w.txtmatkhau->text(), QStringLiteral("moi"));
    });
    EXPECT_EQ(users(), QStringList{QStringLiteral("Quản Trị|qt|QT|#")});
    EXPECT_TRUE(VerifyPassword(QStringLiteral("Abc123"), password(QStringLiteral("Quản Trị"))));
}

TEST_F(Users, StaffSeeOnlyTheirOwnRowAndChangeOnlyItsPassword)
{
    // Nobody administers: staff still change their password and leave the window.
    addUser(QStringLiteral("Quản Trị"), QStringLiteral("qt"), QStringLiteral("CB"), QStringLiteral("x"));
    addUser(QStringLiteral("Bình"), QStringLiteral("An"), QStringLiteral("CB"), QStringLiteral("b"));  // network name = my full name
    addUser(QStringLiteral("An"), QStringLiteral("an1"), QStringLiteral("LĐ"), QStringLiteral("a"));
    open(QStringLiteral("an1"), QStringLiteral("a"), [this](frmloaitien& w) {
        EXPECT_EQ(w.Data1->Count(), 1);
        EXPECT_EQ(w.txthoten->text(), QStringLiteral("An"));
        EXPECT_EQ(w.lbltrangthai->text(), QStringLiteral("Đổi mật khẩu"));
        EXPECT_FALSE(w.cmdAdd->isEnabled());
        EXPECT_FALSE(w.cmdDelete->isEnabled());
        EXPECT_TRUE(w.Checkxemketoan->isChecked());
        click(w.Cmdsua);
        EXPECT_TRUE(w.txthoten->isReadOnly());
        EXPECT_FALSE(w.Framequyenhan->isEnabled());
        w.txthoten->setText(QStringLiteral("Tên khác"));  // whatever the boxes hold, only the password is written
        w.txtquyenhan->setText(QStringLiteral("QT"));
        typePassword(w, QStringLiteral("it'sme"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(users(), (QStringList{QStringLiteral("Quản Trị|qt|CB|x"), QStringLiteral("Bình|An|CB|b"), QStringLiteral("An|an1|LĐ|#")}));
    EXPECT_TRUE(VerifyPassword(QStringLiteral("it'sme"), password(QStringLiteral("An"))));
    EXPECT_TRUE(modal.messages.empty());
}

TEST_F(Users, PasswordsAreHiddenTypedTwiceAndKeptHashed)
{
    addUser(QStringLiteral("Quản Trị"), QStringLiteral("qt"), QStringLiteral("QT"), QStringLiteral("x"));
    open(QStringLiteral("qt"), QStringLiteral("x"), [this](frmloaitien& w) {
        EXPECT_EQ(w.txtmatkhau->echoMode(), QLineEdit::Password);
        EXPECT_EQ(w.txtnhaplaimatkhau->echoMode(), QLineEdit::Password);
        // Neither the boxes nor the grid hold what the file keeps.
        EXPECT_NE(w.txtmatkhau->text(), password(QStringLiteral("Quản Trị")));
        EXPECT_NE(w.txtmatkhau->text(), QStringLiteral("x"));
        for (int c = 0; c < w.DBGrid1->model()->columnCount(); ++c)
            EXPECT_NE(w.DBGrid1->model()->headerData(c, Qt::Horizontal).toString(), QStringLiteral("Mật khẩu"));
        // A repeat that differs is refused and writes nothing.
        click(w.cmdAdd);
        type(w.txthoten, QStringLiteral("Lan"));
        type(w.txtmatkhau, QStringLiteral("abc123"));
        type(w.txtnhaplaimatkhau, QStringLiteral("abc132"));
        click(w.cmdUpdate);
        EXPECT_EQ(modal.messageTexts(), QStringList{kRepeatDiffers});
        EXPECT_EQ(w.Mode(), QStringLiteral("nap"));
        EXPECT_EQ(users().size(), 1);
        type(w.txtnhaplaimatkhau, QStringLiteral("abc123"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        // A second user with the same password.
        click(w.cmdAdd);
        type(w.txthoten, QStringLiteral("Mai"));
        typePassword(w, QStringLiteral("abc123"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        const QString mai = password(QStringLiteral("Mai"));
        // Correcting the name leaves the password as it was; a new one not typed twice is refused.
        click(w.Cmdsua);
        type(w.txttentrenmang, QStringLiteral("mai%2"));  // a "%2" typed is kept as typed
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        EXPECT_EQ(password(QStringLiteral("Mai")), mai);
        EXPECT_EQ(users().last(), QStringLiteral("Mai|mai%2|CB|#"));
        // Typing into the box replaces the stand-in it shows, wherever the caret was.
        click(w.Cmdsua);
        w.txtmatkhau->end(false);
        QTest::keyClicks(w.txtmatkhau, QStringLiteral("moi456"));
        EXPECT_EQ(w.txtmatkhau->text(), QStringLiteral("moi456"));
        click(w.cmdUpdate);
        EXPECT_EQ(modal.messageTexts(), (QStringList{kRepeatDiffers, kRepeatDiffers}));
        EXPECT_EQ(w.Mode(), QStringLiteral("sua"));
        click(w.Cmdsua);  // "&Huỷ sửa"
        EXPECT_EQ(password(QStringLiteral("Mai")), mai);
    });
    const QString lan = password(QStringLiteral("Lan")), mai = password(QStringLiteral("Mai"));
    EXPECT_TRUE(IsPasswordHash(lan)) << lan.toStdString();
    EXPECT_TRUE(IsPasswordHash(mai)) << mai.toStdString();
    EXPECT_NE(lan, mai);
    EXPECT_TRUE(VerifyPassword(QStringLiteral("ABC123"), lan));
    EXPECT_FALSE(VerifyPassword(QStringLiteral("abc132"), lan));
    // The new password opens the login.
    modal.drivers[QStringLiteral("frmlogin")] = testing_support::LoginAs(QStringLiteral("mai"), QStringLiteral("abc123"));
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("mk")), QStringLiteral("CB"));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Mai"));
}

TEST_F(Users, TheAdministratorsAreNeverLockedOut)
{
    addUser(QStringLiteral("Quản Trị"), QStringLiteral("qt"), QStringLiteral("QT"), QStringLiteral("x"));
    addUser(QStringLiteral("Nhân Viên"), QStringLiteral("nv"), QStringLiteral("CB"), QString());
    open(QStringLiteral("qt"), QStringLiteral("x"), [this](frmloaitien& w) {
        // The only administrator: neither deleted nor made staff, refused at once.
        modal.answers = {QStringLiteral("yes")};
        click(w.cmdDelete);
        EXPECT_EQ(modal.messageTexts().back(), kAdminMissing);
        click(w.Cmdsua);
        click(w.Checkquantri);
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QStringLiteral("sua"));
        click(w.Cmdsua);
        EXPECT_EQ(w.txtquyenhan->text(), QStringLiteral("QT"));
        // Staff are deleted only on an explicit yes.
        w.Data1->MoveLast();
        modal.answers = {QStringLiteral("no"), QStringLiteral("esc")};
        click(w.cmdDelete);
        click(w.cmdDelete);
        EXPECT_EQ(w.Data1->Count(), 2);
        // Another clerk leaves no administrator: Esc is refused until the table is empty.
        app.PlanRefDb->Execute(QStringLiteral("UPDATE nguoidung SET quyenhan = 'CB'"));
        const auto shown = modal.messages.size();
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(modal.messages.size(), shown + 1);
        EXPECT_EQ(modal.messageTexts().back(), kAdminMissing);
        app.PlanRefDb->Execute(QStringLiteral("DELETE * FROM nguoidung"));
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(app.UserFullName, QStringLiteral("Một người không rõ tên"));
    EXPECT_EQ(app.UserRights, QStringLiteral("QT"));
    EXPECT_EQ(app.RecheckRights, QStringLiteral("QT"));
}

TEST_F(Users, DeletingEveryUserMakesTheUnnamedAdministrator)
{
    addUser(QStringLiteral("Quản Trị"), QStringLiteral("qt"), QStringLiteral("QT"), QStringLiteral("x"));
    addUser(QStringLiteral("Nhân Viên"), QStringLiteral("nv"), QStringLiteral("CB"), QString());
    open(QStringLiteral("qt"), QStringLiteral("x"), [this](frmloaitien& w) {
        modal.answers = {QStringLiteral("yes"), QStringLiteral("yes")};
        w.Data1->MoveLast();
        click(w.cmdDelete);
        EXPECT_EQ(w.txtvitri->text(), QStringLiteral("1/1"));  // past the end: the last row
        click(w.cmdDelete);
        EXPECT_EQ(w.Data1->Count(), 0);
        click(w.cmdclose);
    });
    EXPECT_TRUE(users().isEmpty());
    EXPECT_EQ(app.UserFullName, QStringLiteral("Một người không rõ tên"));
    EXPECT_EQ(app.UserRights, QStringLiteral("QT"));
}
