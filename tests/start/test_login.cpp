// The login dialog and the administrator re-check, driven through the real window.
#include "app.h"
#include "frmlogin.h"
#include "jetsql.h"
#include "passwords.h"
#include "scriptedmodal.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace korvane;
using testing_support::LoginAs;

class Login : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.PlanRefFile = folder.copyTemplate(QStringLiteral("zelttk.mdb"));
        app.LogonName = [] { return QStringLiteral("an"); };
    }
    void addUser(const QString& name, const QString& login, const QString& rights, const QString& password)
    {
        engine::Database db(app.PlanRefFile);
        db.Execute(QStringLiteral("INSERT INTO nguoidung (hoten, tentrenmang, quyenhan, matkhau) VALUES ('%1', '%2', '%3', '%4')")
                       .arg(engine::escapeQuotes(name), login, rights, password));
    }
    // The password column of the user with that network name, as the file holds it.
    QString stored(const QString& login)
    {
        engine::Database db(app.PlanRefFile, engine::Database::Access::ReadOnly);
        auto rs = db.OpenRecordset(QStringLiteral("select matkhau from nguoidung where tentrenmang='%1'").arg(login), engine::RecordsetType::Snapshot);
        return rs->Eof() ? QStringLiteral("<none>") : rs->Field(QStringLiteral("matkhau")).toString();
    }
    // Runs the start-up login with a driver; returns whether the dialog was accepted.
    bool run(std::function<void(QDialog&)> driver)
    {
        modal.drivers[QStringLiteral("frmlogin")] = std::move(driver);
        frmlogin dialog(app, QStringLiteral("ktranguoidung"));
        return modal.runModal(dialog) == QDialog::Accepted;
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    App app{modal};
};

TEST_F(Login, AnEmptyUserTableLetsAnybodyIn)
{
    EXPECT_TRUE(run(LoginAs(QStringLiteral("ai đó"), QStringLiteral("gì cũng được"))));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Một người không rõ tên"));
    EXPECT_EQ(app.UserRights, QStringLiteral("Q"));
    EXPECT_EQ(app.RecheckRights, QStringLiteral("Q"));
}

TEST_F(Login, NamesAndPasswordsIgnoreCaseAndTheOwnAccountIsOffered)
{
    addUser(QStringLiteral("Nguyễn Văn An"), QStringLiteral("an"), QStringLiteral("CB"), QStringLiteral("Bi Mat"));
    addUser(QStringLiteral("Trần Thị Bình"), QStringLiteral("binh"), QStringLiteral("QT"), QString());
    {
        frmlogin dialog(app, QStringLiteral("ktranguoidung"));
        EXPECT_EQ(dialog.txtUserName->text(), QStringLiteral("an"));  // the account name was found
        EXPECT_EQ(dialog.Combotenbangthamkhao->count(), 2);
        dialog.Combotenbangthamkhao->activated(1);
        EXPECT_EQ(dialog.txtUserName->text(), QStringLiteral("Trần Thị Bình"));
    }
    EXPECT_TRUE(run(LoginAs(QStringLiteral("NGUYỄN VĂN AN"), QStringLiteral("bi mat"))));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Nguyễn Văn An"));
    EXPECT_EQ(app.UserRights, QStringLiteral("CB"));
    // A user without a password gets in with any.
    EXPECT_TRUE(run(LoginAs(QStringLiteral("binh"), QStringLiteral("xyz"))));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Trần Thị Bình"));
    EXPECT_TRUE(modal.systemMessages.isEmpty());
    app.LogonName = [] { return QStringLiteral("người lạ"); };
    frmlogin dialog(app, QStringLiteral("ktranguoidung"));
    EXPECT_EQ(dialog.txtUserName->text(), QString());
}

TEST_F(Login, TheHintComesOnTheThirdFailureAndThe13thCloses)
{
    addUser(QStringLiteral("Nguyễn Văn An"), QStringLiteral("an"), QStringLiteral("CB"), QStringLiteral("matkhau9"));
    modal.drivers[QStringLiteral("frmlogin")] = LoginAs(QStringLiteral("an"), QStringLiteral("sai"), 2);
    frmlogin dialog(app, QStringLiteral("ktranguoidung"));
    modal.runModal(dialog);
    EXPECT_EQ(modal.systemMessages, QStringList(2, QStringLiteral("Mat khau sai! Can nhap lai mat khau! ")));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);  // closed by the script, not by the dialog
    EXPECT_EQ(dialog.failedAttempts(), 2);

    modal.systemMessages.clear();
    EXPECT_FALSE(run(LoginAs(QStringLiteral("an"), QStringLiteral("sai"), 6)));
    EXPECT_EQ(modal.systemMessages.size(), 7);
    EXPECT_EQ(modal.systemMessages[3], QStringLiteral("Goi y mat khau:  ma...u9"));
    EXPECT_EQ(modal.systemMessages.count(QStringLiteral("Goi y mat khau:  ma...u9")), 1);
    EXPECT_TRUE(app.UserRights.isEmpty());
    EXPECT_TRUE(app.UserFullName.isEmpty());
}

TEST_F(Login, PasswordsAreKeptHashedAndAClearOneIsHashedAtItsUsersLogin)
{
    // Rows written in clear (by an older version, or brought in by an import).
    addUser(QStringLiteral("Nguyễn Văn An"), QStringLiteral("an"), QStringLiteral("CB"), QStringLiteral("Bi Mat"));
    addUser(QStringLiteral("Trần Thị Bình"), QStringLiteral("binh"), QStringLiteral("QT"), QStringLiteral("Bi Mat"));
    addUser(QStringLiteral("Lê Văn C"), QStringLiteral("c"), QStringLiteral("CB"), QStringLiteral("xyz"));
    EXPECT_TRUE(run(LoginAs(QStringLiteral("an"), QStringLiteral("bi mat"))));
    const QString an = stored(QStringLiteral("an"));
    EXPECT_TRUE(IsPasswordHash(an)) << an.toStdString();
    EXPECT_FALSE(an.contains(QStringLiteral("bi mat"), Qt::CaseInsensitive));
    EXPECT_EQ(stored(QStringLiteral("binh")), QStringLiteral("Bi Mat"));  // only the user who logged in

    // The hashed row: the password in any case lets the user in and is not hashed again.
    EXPECT_TRUE(run(LoginAs(QStringLiteral("Nguyễn Văn An"), QStringLiteral("BI MAT"))));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Nguyễn Văn An"));
    EXPECT_EQ(stored(QStringLiteral("an")), an);
    // Another password is refused with the same words; no hint can come from a hash, and the
    // dialog still closes after six tries.
    modal.systemMessages.clear();
    EXPECT_FALSE(run(LoginAs(QStringLiteral("an"), QStringLiteral("bimat"), 8)));
    EXPECT_EQ(modal.systemMessages, QStringList(6, QStringLiteral("Mat khau sai! Can nhap lai mat khau! ")));
    EXPECT_TRUE(app.UserRights.isEmpty());

    // The same password of two users is kept as two different values.
    EXPECT_TRUE(run(LoginAs(QStringLiteral("binh"), QStringLiteral("Bi Mat"))));
    EXPECT_TRUE(IsPasswordHash(stored(QStringLiteral("binh"))));
    EXPECT_NE(stored(QStringLiteral("binh")), an);
    EXPECT_TRUE(VerifyPassword(QStringLiteral("bi mat"), stored(QStringLiteral("binh"))));

    // A file that cannot be written keeps the clear row, and the user still gets in.
    QFile::setPermissions(app.PlanRefFile, QFile::ReadOwner);
    EXPECT_TRUE(run(LoginAs(QStringLiteral("c"), QStringLiteral("xyz"))));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Lê Văn C"));
    EXPECT_EQ(stored(QStringLiteral("c")), QStringLiteral("xyz"));
    QFile::setPermissions(app.PlanRefFile, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(run(LoginAs(QStringLiteral("c"), QStringLiteral("xyz"))));
    EXPECT_TRUE(IsPasswordHash(stored(QStringLiteral("c"))));
}

TEST_F(Login, AnUnknownNameGetsNoHintAndTheDialogClosesOnThe13thFailure)
{
    addUser(QStringLiteral("Nguyễn Văn An"), QStringLiteral("an"), QStringLiteral("CB"), QStringLiteral("x"));
    modal.drivers[QStringLiteral("frmlogin")] = LoginAs(QStringLiteral("không có"), QStringLiteral("x"), 20);
    frmlogin dialog(app, QStringLiteral("ktranguoidung"));
    modal.runModal(dialog);
    EXPECT_EQ(dialog.failedAttempts(), 13);
    EXPECT_EQ(modal.systemMessages.size(), 13);
    EXPECT_EQ(modal.systemMessages.filter(QStringLiteral("Goi y")).size(), 0);
    EXPECT_TRUE(app.UserRights.isEmpty());
}

TEST_F(Login, AOneCharacterPasswordAndQuotesInTheName)
{
    addUser(QStringLiteral("Lê Văn C"), QStringLiteral("c"), QStringLiteral("CB"), QStringLiteral("z"));
    EXPECT_FALSE(run(LoginAs(QStringLiteral("c"), QStringLiteral("sai"), 3)));
    EXPECT_EQ(modal.systemMessages.value(3), QStringLiteral("Goi y mat khau:  z...z"));
    // Quotes typed into the boxes stay inside the criteria: this is only an unknown name.
    modal.systemMessages.clear();
    EXPECT_FALSE(run(LoginAs(QStringLiteral("' or ''='"), QStringLiteral("' or ''='"))));
    EXPECT_EQ(modal.systemMessages, QStringList{QStringLiteral("Sai ten nguoi dung! Can nhap lai ten tu danh sach! ")});
    EXPECT_TRUE(app.UserRights.isEmpty());
}

TEST_F(Login, CancellingLeavesThoi)
{
    modal.drivers[QStringLiteral("frmlogin")] = [](QDialog& d) {
        QTest::mouseClick(static_cast<frmlogin&>(d).cmdCancel, Qt::LeftButton);
    };
    frmlogin dialog(app, QStringLiteral("ktranguoidung"));
    EXPECT_EQ(modal.runModal(dialog), QDialog::Rejected);
    EXPECT_EQ(app.MsgText, QStringLiteral("thoi"));
}

TEST_F(Login, TheAdministratorRecheck)
{
    addUser(QStringLiteral("Cán bộ"), QStringLiteral("cb"), QStringLiteral("CB"), QStringLiteral("1"));
    addUser(QStringLiteral("Lãnh đạo"), QStringLiteral("ld"), QStringLiteral("LĐ"), QStringLiteral("2"));
    addUser(QStringLiteral("Quản trị"), QStringLiteral("qt"), QStringLiteral("QT - LĐ"), QStringLiteral("3"));
    const QString refusal = QStringLiteral("Phải có quyền quản trị mới được phép sử dụng chức năng này!");
    for (const auto& [name, password] : {std::pair{"cb", "1"}, std::pair{"ld", "2"}}) {
        modal.drivers[QStringLiteral("frmlogin")] = LoginAs(QString::fromLatin1(name), QString::fromLatin1(password));
        EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("q")), QString()) << name;
        EXPECT_EQ(modal.messageTexts().last(), refusal);
    }
    modal.drivers[QStringLiteral("frmlogin")] = LoginAs(QStringLiteral("qt"), QStringLiteral("3"));
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("q")), QStringLiteral("q"));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Quản trị"));  // the re-check switches the login values
    EXPECT_EQ(modal.modalWindows.size(), 3);
    // Another kind: the re-entered user's rights; cancelling gives empty.
    modal.drivers[QStringLiteral("frmlogin")] = LoginAs(QStringLiteral("cb"), QStringLiteral("1"));
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("mk")), QStringLiteral("CB"));
    modal.drivers.erase(QStringLiteral("frmlogin"));
    modal.drivers[QStringLiteral("frmlogin")] = [](QDialog& d) {
        QTest::mouseClick(static_cast<frmlogin&>(d).cmdCancel, Qt::LeftButton);
    };
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("mk")), QString());
}

TEST_F(Login, AUsersFileThatCannotBeReadGrantsNothing)
{
    // Missing (a share gone), damaged, or without the users table: nobody gets in, and the
    // message names the file.
    const QString damaged = folder.path(QStringLiteral("hong.mdb"));
    QFile bytes(damaged);
    ASSERT_TRUE(bytes.open(QIODevice::WriteOnly));
    bytes.write(QByteArray(4096, 'x'));
    bytes.close();
    const QString noTable = folder.copyTemplate(QStringLiteral("khongbang.mdb"));
    engine::Database(noTable).Execute(QStringLiteral("DROP TABLE nguoidung"));
    for (const QString& file : {folder.path(QStringLiteral("khongco.mdb")), damaged, noTable}) {
        SCOPED_TRACE(file.toStdString());
        app.PlanRefFile = file;
        app.UserRights.clear();
        modal.messages.clear();
        EXPECT_FALSE(run(LoginAs(QStringLiteral("ai đó"), QString(), 2)));
        EXPECT_TRUE(app.UserRights.isEmpty());
        EXPECT_TRUE(app.UserFullName.isEmpty());
        ASSERT_EQ(modal.messages.size(), 2u);
        EXPECT_TRUE(modal.messages[0].text.startsWith(QStringLiteral("Không đọc được danh sách người dùng trong file dữ liệu ") + file));
        // The administrator re-check is refused the same way.
        app.RecheckRights.clear();
        modal.drivers[QStringLiteral("frmlogin")] = LoginAs(QStringLiteral("ai đó"), QString());
        EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("q")), QString());
        EXPECT_TRUE(app.RecheckRights.isEmpty());
    }
    // Once the file can be read again, the same dialog lets the user in.
    app.PlanRefFile = folder.path(QStringLiteral("khongco.mdb"));
    modal.drivers[QStringLiteral("frmlogin")] = [this](QDialog& d) {
        auto& login = static_cast<frmlogin&>(d);
        QTest::mouseClick(login.cmdok, Qt::LeftButton);
        EXPECT_TRUE(login.isVisible());
        folder.copyTemplate(QStringLiteral("khongco.mdb"));
        QTest::mouseClick(login.cmdok, Qt::LeftButton);
    };
    frmlogin dialog(app, QStringLiteral("ktranguoidung"));
    EXPECT_EQ(modal.runModal(dialog), QDialog::Accepted);
    EXPECT_EQ(app.UserRights, QStringLiteral("Q"));
}

TEST_F(Login, TheRecheckClosedByItsCloseBoxIsACancel)
{
    addUser(QStringLiteral("Quản trị"), QStringLiteral("qt"), QStringLiteral("QT"), QStringLiteral("3"));
    app.RecheckRights = QStringLiteral("QT");  // from an earlier re-check
    app.UserRights = QStringLiteral("QT");
    int shown = 0;
    modal.drivers[QStringLiteral("frmlogin")] = [&shown](QDialog& d) {
        ++shown;
        d.close();  // the window's close box
    };
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("mk")), QString());
    EXPECT_EQ(app.MsgText, QStringLiteral("thoi"));
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("q")), QString());
    EXPECT_EQ(shown, 2);
    // Esc is a cancel too.
    modal.drivers[QStringLiteral("frmlogin")] = [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); };
    EXPECT_EQ(KiemtraQuyenQuantri(app, QStringLiteral("mk")), QString());
    EXPECT_EQ(app.MsgText, QStringLiteral("thoi"));
    EXPECT_EQ(app.UserRights, QStringLiteral("QT"));
}
