// The users window opened from the main window's users item after the re-entry of name and
// password: what an administrator and a member of staff may change, the checks of a save, and
// the rule that the table never keeps users without an administrator.
#include "formkit.h"
#include "frmloaitien.h"
#include "jetsql.h"
#include "office.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace korvane;

namespace {
const QString kAdminMissing = QStringLiteral("Bắt buộc phải bổ sung quyền quản trị (QT) cho ít nhất một người trong danh sách!");
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
    QStringList users() { return Rows(*app.PlanRefDb, QStringLiteral("SELECT hoten, tentrenmang, quyenhan, matkhau FROM nguoidung ORDER BY id")); }
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
        type(w.txtmatkhau, QStringLiteral("abc123"));
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
    EXPECT_EQ(users(), (QStringList{QStringLiteral("Quản Trị|qt|QT|x"), QStringLiteral("O'Brien||CB|abc123"), QStringLiteral("Lê Văn Ba|ba|CB|")}));
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
        type(w.txtmatkhau, QStringLiteral("Abc123"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
    });
    EXPECT_EQ(users(), QStringList{QStringLiteral("Quản Trị|qt|QT|Abc123")});

    // A file that refuses the write: the error is said and the typing stays, unsaved.
    app.PlanRefDb = std::make_unique<engine::Database>(app.PlanRefFile, engine::Database::Access::ReadOnly);
    open(QStringLiteral("qt"), QStringLiteral("Abc123"), [&](frmloaitien& w) {
        click(w.Cmdsua);
        type(w.txtmatkhau, QStringLiteral("moi"));
        click(w.cmdUpdate);
        EXPECT_TRUE(modal.messageTexts().back().startsWith(QStringLiteral("Lỗi dữ liệu:")));
        EXPECT_EQ(w.Mode(), QStringLiteral("sua"));
        EXPECT_EQ(w.txtmatkhau->text(), QStringLiteral("moi"));
    });
    EXPECT_EQ(users(), QStringList{QStringLiteral("Quản Trị|qt|QT|Abc123")});
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
        type(w.txtmatkhau, QStringLiteral("it'sme"));
        click(w.cmdUpdate);
        EXPECT_EQ(w.Mode(), QString());
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(users(), (QStringList{QStringLiteral("Quản Trị|qt|CB|x"), QStringLiteral("Bình|An|CB|b"), QStringLiteral("An|an1|LĐ|it'sme")}));
    EXPECT_TRUE(modal.messages.empty());
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
