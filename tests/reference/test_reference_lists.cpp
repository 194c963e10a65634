// The reference-list windows opened from the main window's menu: the abbreviation rule of the four
// name lists, their order, deletion and failed writes, the unit rule of the departments, and the
// organisation's name, and a list handed to a spreadsheet.
#include "frmbophan.h"
#include "frmtendonvi.h"
#include "office.h"
#include "referencelists.h"
#include "text.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

using namespace korvane;

class ReferenceLists : public Office {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallReferenceListWindows(app);
        app.UserRights = QStringLiteral("QT");
    }
    // Opens the window of the menu item `menu` and works in it through `work`.
    template <class W>
    void open(const char* menu, const char* form, std::function<void(W&)> work)
    {
        modal.drivers[QLatin1String(form)] = [this, work](QDialog& d) { work(*activate(static_cast<W*>(&d))); };
        main.findChild<QAction*>(QLatin1String(menu))->trigger();
    }
    static void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static void enter(AbbreviationList& w, const QString& name, const QString& abbreviation)
    {
        w.mname->setText(name);
        w.mchutat->setText(abbreviation);
        click(w.cmdUpdate);
    }
    static QStringList gridNames(QAbstractItemView* grid)
    {
        QStringList names;
        for (int r = 0; r < grid->model()->rowCount(); ++r) names.append(grid->model()->index(r, 0).data().toString());
        return names;
    }
    QString lastMessage() const { return modal.messages.empty() ? QString() : modal.messages.back().text; }
    // A grid's headings and then its rows, as shown.
    static QList<QStringList> gridCells(QAbstractItemView* grid)
    {
        QAbstractItemModel* m = grid->model();
        QList<QStringList> cells{{}};
        for (int c = 0; c < m->columnCount(); ++c) cells[0].append(m->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < m->columnCount(); ++c) row.append(m->index(r, c).data().toString());
            cells.append(row);
        }
        return cells;
    }
};

TEST_F(ReferenceLists, AnAbbreviationIsRefusedWhenAnotherEntryHasItInAnyCase)
{
    app.LocalRefDb->Execute(QStringLiteral("DELETE * FROM chutat"));  // the template's own abbreviations
    app.LocalRefDb->Execute(QStringLiteral("INSERT INTO chutat (chutat, chudu, matt) VALUES ('UB', 'Uỷ ban', 'U00y')"));
    app.LocalRefDb->Execute(QStringLiteral("INSERT INTO chutat (chutat, chudu, matt) VALUES ('o''k', 'Đồng ý ''ok''', 'D10')"));
    open<AbbreviationList>("mnunapchutat", "frmchutat", [this](AbbreviationList& w) {
        click(w.cmdAdd);
        enter(w, QStringLiteral("Sở Tài chính"), QStringLiteral("ub"));
        EXPECT_EQ(lastMessage(), QStringLiteral("Chữ tắt  'ub'  đã dùng cho chữ  'Uỷ ban' .\rCần phải dùng chữ khác!"));
        EXPECT_EQ(app.FormMode, QStringLiteral("nap"));
        EXPECT_EQ(w.mname->text(), QStringLiteral("Sở Tài chính"));  // kept for correction
        EXPECT_TRUE(w.mchutat->hasFocus());
        enter(w, QStringLiteral("Sở Tài chính"), QStringLiteral("O'K"));  // a quote in the abbreviation
        EXPECT_EQ(lastMessage(), QStringLiteral("Chữ tắt  'O'K'  đã dùng cho chữ  'Đồng ý 'ok'' .\rCần phải dùng chữ khác!"));
        // A name without its abbreviation is not dropped: what is missing is said.
        enter(w, QStringLiteral("Sở Tài chính"), QStringLiteral("  "));
        EXPECT_EQ(lastMessage(), QStringLiteral("Phải điền nội dung ở cả ô chữ tắt và ô chữ đủ, không được để ô trắng !"));
        EXPECT_EQ(app.FormMode, QStringLiteral("nap"));
        EXPECT_EQ(w.mname->text(), QStringLiteral("Sở Tài chính"));
        const auto said = modal.messages.size();
        enter(w, QStringLiteral("Sở Tài chính"), QStringLiteral("stc"));
        EXPECT_EQ(modal.messages.size(), said);
        EXPECT_EQ(app.FormMode, QStringLiteral("xem"));
        EXPECT_EQ(w.lbltrangthai->text(), QStringLiteral("Xem chữ tắt"));
        EXPECT_EQ(w.Data1->Value(QStringLiteral("chudu")).toString(), QStringLiteral("Sở Tài chính"));  // on the written row
        EXPECT_EQ(w.lblData1->text(), QStringLiteral("2/3"));

        // An empty name adds nothing, and says nothing.
        click(w.cmdAdd);
        enter(w, QString(), QStringLiteral("xx"));
        EXPECT_EQ(modal.messages.size(), said);
        EXPECT_EQ(app.FormMode, QStringLiteral("xem"));

        // The row's own abbreviation in another case is no other row's; the name stays.
        w.Data1->MoveTo(2);
        ASSERT_EQ(w.mchutat->text(), QStringLiteral("UB"));
        click(w.Cmdsua);
        w.mchutat->setText(QStringLiteral("ub"));
        // Leaving the row with the question unanswered keeps the correction going.
        modal.answers = {QStringLiteral("esc")};
        EXPECT_FALSE(w.Data1->MoveTo(0));
        EXPECT_EQ(app.FormMode, QStringLiteral("sua"));
        // "yes" to the question asked by a click in the grid saves, and the written row is shown.
        modal.answers = {QStringLiteral("yes")};
        w.DBGrid1->selectRow(0);
        QTest::qWait(20);
        EXPECT_EQ(app.FormMode, QStringLiteral("xem"));
        EXPECT_EQ(w.mchutat->text(), QStringLiteral("ub"));
        click(w.cmdclose);
    });
    EXPECT_EQ(Rows(*app.LocalRefDb, QStringLiteral("SELECT chutat, chudu, matt FROM chutat ORDER BY id")),
              (QStringList{QStringLiteral("ub|Uỷ ban|") + VietSortKey(QStringLiteral("Uỷ ban"), false), QStringLiteral("o'k|Đồng ý 'ok'|D10"),
                           QStringLiteral("stc|Sở Tài chính|") + VietSortKey(QStringLiteral("Sở Tài chính"), false)}));
    // The registers expand the new abbreviation at once.
    app.AbbreviationList->FindFirst(QStringLiteral("chutat = 'stc'"));
    EXPECT_FALSE(app.AbbreviationList->NoMatch());
}

TEST_F(ReferenceLists, UnitsAreForAdministratorsInVietnameseOrderAndDeletedOnlyOnYes)
{
    app.UserRights = QStringLiteral("CB");
    main.mnunapdonvi->trigger();
    main.mnunapbophan->trigger();
    EXPECT_EQ(modal.messageTexts(), QStringList(2, QStringLiteral("Phải có quyền quản trị mới được phép sử dụng chức năng này!")));
    EXPECT_FALSE(modal.modalWindows.contains(QStringLiteral("frmdonvi")));
    EXPECT_FALSE(modal.modalWindows.contains(QStringLiteral("frmbophan")));
    open<AbbreviationList>("mnunapnoigui", "frmdonvi", [](AbbreviationList& w) {
        EXPECT_EQ(w.lbltieude->text(), QStringLiteral("Nạp sửa danh sách các cơ quan thường xuyên trao đổi công văn"));
        EXPECT_EQ(gridNames(w.DBGrid1), (QStringList{QStringLiteral("Bộ Tài chính"), QStringLiteral("Sở Y tế")}));
    });

    app.UserRights = QStringLiteral("QT");
    open<AbbreviationList>("mnunapdonvi", "frmdonvi", [this](AbbreviationList& w) {
        for (const char* name : {"Đội xe", "Bà Rịa", "Ban Tuyên giáo"}) {
            click(w.cmdAdd);
            enter(w, QString::fromUtf8(name), QString::fromUtf8(name).left(3));
        }
        EXPECT_EQ(gridNames(w.DBGrid1), (QStringList{QStringLiteral("Ban Tuyên giáo"), QStringLiteral("Bà Rịa"), QStringLiteral("Đội xe"),
                                                      QStringLiteral("Phòng Tổ chức"), QStringLiteral("Văn phòng")}));
        click(w.cmdAdd);
        click(w.cmdDelete);
        EXPECT_EQ(lastMessage(), QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !"));
        click(w.cmdclose);  // nothing typed: no question
        EXPECT_FALSE(w.isVisible());
        w.show();
        w.Data1->MoveTo(1);
        for (const char* answer : {"no", "esc"}) {
            modal.answers = {QLatin1String(answer)};
            click(w.cmdDelete);
            EXPECT_EQ(w.Data1->Count(), 5) << answer;
        }
        modal.answers = {QStringLiteral("yes")};
        click(w.cmdDelete);
        EXPECT_EQ(gridNames(w.DBGrid1).join(QLatin1Char(',')), QStringLiteral("Ban Tuyên giáo,Đội xe,Phòng Tổ chức,Văn phòng"));
        EXPECT_EQ(w.mname->text(), QStringLiteral("Đội xe"));
    });
}

TEST_F(ReferenceLists, AListGoesToASpreadsheetAsItsGridShowsIt)
{
    app.DocRefDb->Execute(QStringLiteral("INSERT INTO noigui (tendonvi, chutat, matt) VALUES ('Công ty \"Sông Đà\", chi nhánh 1', 'sđ', 'c')"));
    app.PlanRefDb->Execute(QStringLiteral("INSERT INTO bophan (donvi, donviid, phong, matt) VALUES ('Văn phòng', 2, 'Phòng Hành chính, Tổ chức', 'p')"));
    // By its Alt key, to CSV, from the correspondents' list.
    const QString csv = folder.path(QStringLiteral("noigui.csv")), xlsx = folder.path(QStringLiteral("bophan.xlsx"));
    modal.fileToSave = csv;
    open<AbbreviationList>("mnunapnoigui", "frmdonvi", [&](AbbreviationList& w) {
        alt(w.mname, Qt::Key_E);
        const QList<QStringList> cells = gridCells(w.DBGrid1);
        EXPECT_EQ(cells.size(), 4);
        EXPECT_EQ(testing_support::ReadSpreadsheet(csv), cells);
    });
    // By its button, to XLSX, from the departments' list.
    modal.fileToSave = xlsx;
    open<frmbophan>("mnunapbophan", "frmbophan", [&](frmbophan& w) {
        click(w.cmdxuat);
        const QList<QStringList> cells = gridCells(w.DBGrid1);
        EXPECT_EQ(cells.size(), 2);
        EXPECT_EQ(testing_support::ReadSpreadsheet(xlsx), cells);
    });
    EXPECT_EQ(modal.documents, (QStringList{csv, xlsx}));  // each opened with the desktop's program
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ReferenceLists, AFailedWriteIsSaidAndNeverLooksSaved)
{
    // Letter case is compared beyond the plain letters: "QĐ" is the template's "Quyết định".
    open<AbbreviationList>("mnunaploaicv", "frmloaicv", [this](AbbreviationList& w) {
        click(w.cmdAdd);
        enter(w, QStringLiteral("Quyết định mới"), QStringLiteral("qđ"));
        EXPECT_EQ(lastMessage(), QStringLiteral("Chữ tắt  'qđ'  đã dùng cho chữ  'Quyết định' .\rCần phải dùng chữ khác!"));
        modal.answers = {QStringLiteral("no")};
    });
    app.DocRefDb = std::make_unique<engine::Database>(app.DocRefFile, engine::Database::Access::ReadOnly);
    open<AbbreviationList>("mnunaploaicv", "frmloaicv", [this](AbbreviationList& w) {
        click(w.cmdAdd);
        enter(w, QStringLiteral("Quyết định"), QStringLiteral("qd"));
        EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Lỗi dữ liệu: "))) << lastMessage().toStdString();
        EXPECT_EQ(app.FormMode, QStringLiteral("nap"));
        EXPECT_EQ(w.lbltrangthai->text(), QStringLiteral("Nạp chữ tắt"));
        EXPECT_EQ(w.mname->text(), QStringLiteral("Quyết định"));
        // Closing asks; "no" gives the entry up, with the view status of the question.
        modal.answers = {QStringLiteral("no")};
        click(w.cmdclose);
        EXPECT_EQ(lastMessage(), QStringLiteral("Có lưu nội dung đang nạp không ?"));
        EXPECT_EQ(w.lbltrangthai->text(), QStringLiteral("Xem chữ tắt"));
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_TRUE(Rows(*app.DocRefDb, QStringLiteral("SELECT loai FROM loaicv WHERE chutat = 'qd'")).isEmpty());
}

TEST_F(ReferenceLists, ADepartmentNeedsItsUnitAlsoWhenSavedByItsAltKey)
{
    // The name typed first, the unit list is reached by a click without a word; what was typed
    // before "Huỷ nạp" is gone at the next "Nạp mới".
    open<frmbophan>("mnunapbophan", "frmbophan", [this](frmbophan& w) {
        click(w.cmdAdd);
        w.txtphong->setFocus();
        QTest::keyClicks(w.txtphong, "Phong Ke toan");
        const size_t before = modal.messages.size();
        w.DBCombodonvi->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(modal.messages.size(), before) << lastMessage().toStdString();
        EXPECT_TRUE(w.DBCombodonvi->hasFocus());
        click(w.cmdAdd);
        EXPECT_EQ(w.Mode(), QStringLiteral("xem"));
        click(w.cmdAdd);
        EXPECT_EQ(w.txtphong->text(), QString());
        click(w.cmdAdd);
    });
    open<frmbophan>("mnunapbophan", "frmbophan", [this](frmbophan& w) {
        click(w.cmdAdd);
        EXPECT_EQ(w.cmdAdd->text(), QStringLiteral("&Huỷ nạp"));
        w.txtphong->setFocus();
        w.txtphong->setText(QStringLiteral("Phòng Hành chính"));
        alt(w.txtphong, Qt::Key_G);
        EXPECT_EQ(lastMessage(), QStringLiteral("Phải chọn tên ban, đơn vị trong danh mục! OK ?"));
        EXPECT_EQ(w.Mode(), QStringLiteral("nap"));
        EXPECT_TRUE(Rows(*app.PlanRefDb, QStringLiteral("SELECT phong FROM bophan")).isEmpty());
        ASSERT_EQ(w.DBCombodonvi->itemText(1), QStringLiteral("Văn phòng"));
        emit w.DBCombodonvi->activated(1);
        activate(&w);  // back from the message
        w.txtphong->setFocus();
        alt(w.txtphong, Qt::Key_G);
        EXPECT_EQ(w.Mode(), QStringLiteral("xem")) << modal.messageTexts().join(QLatin1Char('/')).toStdString();
    });
    const QString unitId = Rows(*app.PlanRefDb, QStringLiteral("SELECT id FROM donvi WHERE tendonvi = 'Văn phòng'")).value(0);
    EXPECT_EQ(Rows(*app.PlanRefDb, QStringLiteral("SELECT donvi, donviid, phong, matt FROM bophan")),
              QStringList{QStringLiteral("Văn phòng|") + unitId + QStringLiteral("|Phòng Hành chính|") +
                          VietSortKey(QStringLiteral("Phòng Hành chính"), false)});

    // The only department is emptied rather than deleted, and only on "yes".
    open<frmbophan>("mnunapbophan", "frmbophan", [this](frmbophan& w) {
        modal.answers = {QStringLiteral("no")};
        click(w.cmdDelete);
        EXPECT_EQ(w.txtphong->text(), QStringLiteral("Phòng Hành chính"));
        modal.answers = {QStringLiteral("yes")};
        click(w.cmdDelete);
        EXPECT_EQ(w.txtphong->text(), QString());
    });
    EXPECT_EQ(Rows(*app.PlanRefDb, QStringLiteral("SELECT donvi, donviid, phong, matt FROM bophan")), QStringList{QStringLiteral("|||")});
}

TEST_F(ReferenceLists, TheOrganisationsNameIsWrittenOnCloseAndShownOnTheMainWindow)
{
    open<frmtendonvi>("mnutendonvi", "frmtendonvi", [](frmtendonvi& w) {
        w.Txttendonvi->setText(QStringLiteral("Sở Tư pháp"));
        w.Txttencaptren->setText(QStringLiteral("UBND tỉnh"));
        click(w.cmdclose);
    });
    EXPECT_EQ(Rows(*app.DocRefDb, QStringLiteral("SELECT tendonvi, tencaptren FROM tendonvi")), QStringList{QStringLiteral("Sở Tư pháp|UBND tỉnh")});
    EXPECT_EQ(main.lblBanner1->text(), QStringLiteral("Sở Tư pháp"));

    // Esc and the frame write nothing unasked: Esc at the question keeps the window as typed,
    // "no" closes it with the names as they were.
    open<frmtendonvi>("mnutendonvi", "frmtendonvi", [this](frmtendonvi& w) {
        w.Txttendonvi->setText(QStringLiteral("Sở Xây dựng"));
        modal.answers = {QStringLiteral("esc")};
        key(w.Txttendonvi, Qt::Key_Escape);
        EXPECT_EQ(lastMessage(), QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.Txttendonvi->text(), QStringLiteral("Sở Xây dựng"));
        modal.answers = {QStringLiteral("no")};
        w.close();
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(Rows(*app.DocRefDb, QStringLiteral("SELECT tendonvi FROM tendonvi")), QStringList{QStringLiteral("Sở Tư pháp")});

    // A file that cannot be written: said, and the window stays open with the names typed.
    app.DocRefDb = std::make_unique<engine::Database>(app.DocRefFile, engine::Database::Access::ReadOnly);
    open<frmtendonvi>("mnutendonvi", "frmtendonvi", [this](frmtendonvi& w) {
        w.Txttendonvi->setText(QStringLiteral("Sở Nội vụ"));
        EXPECT_FALSE(w.CloseWindow());
        EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Lỗi dữ liệu"))) << lastMessage().toStdString();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.Txttendonvi->text(), QStringLiteral("Sở Nội vụ"));
    });
    EXPECT_EQ(main.lblBanner1->text(), QStringLiteral("Sở Tư pháp"));
    app.DocRefDb = std::make_unique<engine::Database>(app.DocRefFile);

    // A table without a row stays without one.
    app.DocRefDb->Execute(QStringLiteral("DELETE * FROM tendonvi"));
    open<frmtendonvi>("mnutendonvi", "frmtendonvi", [](frmtendonvi& w) {
        EXPECT_EQ(w.Txttendonvi->text(), QString());
        w.Txttendonvi->setText(QStringLiteral("Khác"));
        click(w.cmdclose);
    });
    EXPECT_TRUE(Rows(*app.DocRefDb, QStringLiteral("SELECT tendonvi FROM tendonvi")).isEmpty());
}
