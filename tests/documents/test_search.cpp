// The document searches through their real windows: the statements they build, the checks made
// when the search runs, the year list, the pick lists, the routes back; and random conditions.
#include "conditions.h"
#include "dates.h"
#include "documents.h"
#include "frmcvden.h"
#include "frmgrid.h"
#include "frmtracuu.h"
#include "office.h"

#include <QComboBox>
#include <QPushButton>

#include <random>

using namespace korvane;

class Search : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallDocumentWindows(app, &main);
        app.DocDb->Execute(QStringLiteral("SELECT * INTO cvden2001 FROM cvdenmau"));
        const char* rows[][4] = {{"5", "Bộ Tài chính", "05/03/2001", "20010305"}, {"7", "Sở Y tế", "10/03/2001", "20010310"},
                                 {"9", "Bộ Nội vụ", "31/12/2001", "20011231"},    {"12", "Bộ Y tế", "02/01/2002", "20020102"}};
        for (const auto& r : rows)
            app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2001 (stt, noigui, ng_den, ng_denchuan, chonin) VALUES ('%1', '%2', '%3', '%4', 'X')")
                                   .arg(QLatin1String(r[0]), QString::fromUtf8(r[1]), QLatin1String(r[2]), QLatin1String(r[3])));
        for (const char* date : {"05/03/2008", "20/03/2008", "05/04/2008"})
            app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, ng_den, ng_denchuan) VALUES ('1', 'x', '%1', '%2')")
                                   .arg(QLatin1String(date), NormalDate(QLatin1String(date))));
        app.FormMode = QStringLiteral("tracuucv");
        search = frmtracuucvden::Instance(app);
        search->show();
        activate(search);
    }
    frmgridcvden* list() { return frmgridcvden::Instance(app); }
    QString chooseYear(const QString& year)
    {
        search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(year));
        return search->Combonamlamviec->currentText();
    }

    frmtracuucvden* search = nullptr;
};
KORVANE_ON_BOTH_ENGINES(Search);

TEST_P(Search, TheStatementsOfTheExamples)
{
    ASSERT_EQ(chooseYear(QStringLiteral("2001")), QStringLiteral("2001"));
    search->mstt->setText(QStringLiteral("5-9"));
    search->mnoigui->setText(QStringLiteral("bộ"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Data1->RecordSource,
              QStringLiteral("SELECT * FROM cvden2001 WHERE ([stt] between 5 and 9) and (([noigui] Like '*bộ*'))"));
    EXPECT_EQ(list()->Data1->Count(), 2);
    EXPECT_TRUE(list()->isVisible());
    EXPECT_EQ(app.SearchTable, QStringLiteral("cvden2001"));
    // A search starts a list with no mark; the shared file's field is left to other tools.
    EXPECT_TRUE(list()->Marks().Empty());
    EXPECT_EQ(list()->DBGrid1->Model()->Field(0, QStringLiteral("chonin")).toString(), QString());
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2001 WHERE chonin = 'X'")), QStringList{QStringLiteral("4")});
    search->ClearConditions();
    EXPECT_TRUE(search->mnoigui->text().isEmpty());
    EXPECT_EQ(search->Combonamlamviec->currentText(), QStringLiteral("2001"));  // not the year
    search->mng_den2->setText(QStringLiteral("31/12/2001"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(app.SearchClause, QStringLiteral("[ng_denchuan]  <= '20011231'"));
    EXPECT_EQ(list()->Data1->Count(), 3);
    // No condition: the whole year.
    search->ClearConditions();
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Data1->RecordSource, QStringLiteral("SELECT * FROM cvden2001"));
    // Typed without marks, a term finds any marks until "Không phân biệt dấu" is taken off (Alt+D,
    // which clearing the conditions leaves alone); each user's choice outlives the window.
    ASSERT_TRUE(search->chkkhongdau->isChecked());
    search->mnoigui->setText(QStringLiteral("BO Y TE,so y"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Data1->Count(), 2);
    activate(search);
    alt(search->mnoigui, Qt::Key_D);
    EXPECT_FALSE(search->chkkhongdau->isChecked());
    search->ClearConditions();
    EXPECT_FALSE(search->chkkhongdau->isChecked());
    search->mnoigui->setText(QStringLiteral("BO Y TE,so y"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Data1->Count(), 0);
    search->hide();
    search->show();
    EXPECT_FALSE(search->chkkhongdau->isChecked());
    search->hide();
    app.UserFullName = QStringLiteral("Người khác");
    search->show();
    EXPECT_TRUE(search->chkkhongdau->isChecked());
}

TEST_P(Search, TheYearIsChosenFromTheRegistersTablesOnly)
{
    app.DocDb->Execute(QStringLiteral("SELECT * INTO cvdenab FROM cvdenmau"));
    search->UseYearLists();  // read again, as the main window opens it
    QStringList years;
    for (int k = 0; k < search->Combonamlamviec->count(); ++k) years.append(search->Combonamlamviec->itemText(k));
    EXPECT_EQ(years, (QStringList{QStringLiteral("2026"), QStringLiteral("2001")}));
    EXPECT_EQ(search->Combonamlamviec->currentText(), QStringLiteral("2026"));
    EXPECT_FALSE(search->Combonamlamviec->isEditable());
    auto* out = frmtracuucvdi::Instance(app);
    EXPECT_EQ(out->Combonamlamviec->count(), 1);  // cvdi2026, never the template
    EXPECT_EQ(out->Combonamlamviec->itemText(0), QStringLiteral("2026"));
}

TEST_P(Search, DatesAreCheckedWhenTheSearchRuns)
{
    // "5/3/08" typed and the search pressed with its Alt key: the focus never left the box.
    search->mng_den1->setFocus();
    search->mng_den1->setText(QStringLiteral("5/3/08"));
    search->mng_den2->setText(QStringLiteral("31/3/08"));
    alt(search->mng_den1, Qt::Key_T);
    EXPECT_EQ(search->mng_den1->text(), QStringLiteral("05/03/2008"));
    EXPECT_EQ(app.SearchClause, QStringLiteral("[ng_denchuan] between '20080305' and '20080331'"));
    EXPECT_EQ(list()->Data1->Count(), 2);
    // A date that is none stops the search with the date message.
    list()->hide();
    activate(search);
    search->mng_den1->setText(QStringLiteral("abc"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!"));
    EXPECT_FALSE(list()->isVisible());
    // A period in the wrong order stops it; one end alone does not.
    search->mng_den1->setText(QStringLiteral("01/04/2008"));
    search->mng_den2->setText(QStringLiteral("01/03/2008"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(),
              QStringLiteral("Không đặt thời điểm cuối trước thời điểm đầu!\r\nCần nạp lại 2 mút thời gian ngày đến của công văn!"));
    EXPECT_TRUE(search->mng_den1->hasFocus());
    search->mng_den2->clear();
    EXPECT_TRUE(search->Search());
    EXPECT_EQ(modal.busyMessages, 0);
}

TEST_P(Search, BadConditionsAreSaidAndLeaveTheMarks)
{
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET chonin = 'X'"));
    search->mstt->setText(QStringLiteral("abc"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(), InvalidConditionMessage(QStringLiteral("abc")));
    EXPECT_TRUE(search->mstt->hasFocus());
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2026 WHERE chonin = 'X'")), QStringList{QStringLiteral("3")});
    search->mstt->clear();
    // Quotes and wildcards typed are only text; a comma or a plus alone are no condition.
    for (const char* typed : {"O'Brien", ",", "bộ+", "'; DROP TABLE cvden2026; --"}) {
        search->mnoigui->setText(QString::fromUtf8(typed));
        EXPECT_TRUE(search->Search()) << typed;
    }
    EXPECT_TRUE(app.DocDb->HasTable(QStringLiteral("cvden2026")));
    // The engine's failure (the year's table gone since the list was made) is said, not thrown.
    engine::Database(app.DocFile).Execute(QStringLiteral("DROP TABLE cvden2001"));
    search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(QStringLiteral("2001")));
    EXPECT_FALSE(search->Search());
    EXPECT_TRUE(modal.messageTexts().last().startsWith(QStringLiteral("Lỗi dữ liệu : ")));
    EXPECT_EQ(modal.busyMessages, 0);
}

TEST_P(Search, PickListsKeysAndTheWayBack)
{
    for (const char* sender : {"Đà Nẵng", "Bộ Y tế", "Dân tộc"})
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('2', '%1')").arg(QString::fromUtf8(sender)));
    search->UseYearLists();  // the senders used in the working year
    search->mnoigui->setFocus();
    key(search->mnoigui, Qt::Key_F5);
    ASSERT_TRUE(search->DBGridnoigui->isVisible());
    // Letters typed on the list go to the first name they begin, with any marks when typed without.
    auto nameAfterTyping = [this](const QString& typed) {
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        for (const QChar c : typed) QTest::sendKeyEvent(QTest::Click, search->DBGridnoigui, Qt::Key_A, QString(c), Qt::NoModifier);
        return search->DBGridnoigui->currentIndex().data().toString();
    };
    EXPECT_EQ(nameAfterTyping(QStringLiteral("DA N")), QStringLiteral("Đà Nẵng"));
    EXPECT_EQ(nameAfterTyping(QStringLiteral("bo")), QStringLiteral("Bộ Y tế"));
    EXPECT_EQ(nameAfterTyping(QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_EQ(nameAfterTyping(QStringLiteral("dan")), QStringLiteral("Dân tộc"));
    EXPECT_EQ(nameAfterTyping(QStringLiteral("đ")), QStringLiteral("Đà Nẵng"));  // typed with its mark: "Dân" is not it
    const QString firstD = nameAfterTyping(QStringLiteral("d"));
    EXPECT_NE(nameAfterTyping(QStringLiteral("dd")), firstD);  // again: the next name it begins
    ASSERT_EQ(nameAfterTyping(QStringLiteral("x")), QStringLiteral("x"));
    emit search->DBGridnoigui->RowDoubleClicked(search->DBGridnoigui->currentIndex().row());
    search->mnoigui->setText(search->mnoigui->text() + QStringLiteral(", y"));
    EXPECT_EQ(search->mnoigui->text(), QStringLiteral("x, y"));
    key(search->DBGridnoigui, Qt::Key_Escape);
    EXPECT_TRUE(search->mnoigui->hasFocus());
    search->mcd_dang->setFocus();
    key(search->mcd_dang, Qt::Key_F5);
    EXPECT_EQ(search->mcd_dang->text(), QStringLiteral("Công đoàn"));
    search->mng_cv1->setFocus();
    key(search->mng_cv1, Qt::Key_F5);
    EXPECT_EQ(search->mng_cv1->text(), QStringLiteral("09/12/2026"));
    // Closed: hidden, its conditions kept; back to the main window.
    main.hide();
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    EXPECT_FALSE(search->isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(frmtracuucvden::Instance(app)->mcd_dang->text(), QStringLiteral("Công đoàn"));
    // From the register ("Tìm đến..."): back to the register.
    auto* reg = activate(frmcvden::Open(app));
    QTest::mouseClick(reg->Cmdtracuu, Qt::LeftButton);
    EXPECT_FALSE(reg->isVisible());
    EXPECT_TRUE(search->isVisible());
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(reg->isVisible());
}

TEST_P(Search, ThousandsOfRandomConditionsGiveAListOrAMessage)
{
    std::mt19937 rng(7);
    const QString alphabet = QStringLiteral("ab bộ12 5-9,+!#<>'\"*%[]()=.;-ở");
    const QList<QLineEdit*> boxes = search->findChildren<QLineEdit*>();
    int lists = 0, refused = 0;
    for (int round = 0; round < 2000; ++round) {
        for (QLineEdit* b : boxes) {
            QString text;
            if (rng() % 3 == 0)
                for (int n = static_cast<int>(rng() % 8); n > 0; --n) text += alphabet[static_cast<int>(rng() % alphabet.size())];
            b->setText(text);
        }
        const std::size_t shown = modal.messages.size();
        if (search->Search()) ++lists;
        else {
            ++refused;
            EXPECT_GT(modal.messages.size(), shown);  // a search that did not run says why
        }
    }
    EXPECT_GT(lists, 100);
    EXPECT_GT(refused, 100);
}

TEST_P(Search, ListsThatCannotBeReadTheYearChosenAndTheOrderOfKeys)
{
    // A working year whose table is gone: the pick grids show nothing and stay usable.
    app.InDocTable = QStringLiteral("cvden1999");
    search->UseYearLists();
    search->mnoigui->setFocus();
    key(search->mnoigui, Qt::Key_F5);
    ASSERT_TRUE(search->DBGridnoigui->isVisible());
    EXPECT_EQ(search->DBGridnoigui->model()->rowCount(), 0);
    app.InDocTable = QStringLiteral("cvden2026");
    // The year chosen stays chosen when the window is opened again.
    chooseYear(QStringLiteral("2001"));
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    QTest::mouseClick(main.cmdtracuucvden, Qt::LeftButton);
    EXPECT_EQ(search->Combonamlamviec->currentText(), QStringLiteral("2001"));
    // Tab goes through the conditions in the order they are shown.
    QStringList order;
    for (QWidget* w = search->Combonamlamviec->nextInFocusChain(); w != search->Combonamlamviec; w = w->nextInFocusChain())
        if (qobject_cast<QLineEdit*>(w) && w->parentWidget() != search->Combonamlamviec) order.append(w->objectName());
    EXPECT_EQ(order.join(QLatin1Char(' ')), QStringLiteral("mstt mng_den1 mng_den2 mng_cv1 mng_cv2 mdv_nhan mcd_dang mtt_ndung mso_cv mloai mmat mnoigui"));
    // The storage-unit pick grid of the outgoing search picks with Enter as with its single click.
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvdi2026 (stt, loai, noiluu) VALUES (1, 'CV', 'Văn thư')"));
    auto* out = frmtracuucvdi::Instance(app);
    out->UseYearLists();
    out->show();
    activate(out);
    out->mnoiluu->setFocus();
    key(out->mnoiluu, Qt::Key_F5);
    ASSERT_TRUE(out->DBGridnoiluu->isVisible());
    QTest::keyClick(out->DBGridnoiluu, Qt::Key_Return);
    EXPECT_EQ(out->mnoiluu->text(), QStringLiteral("Văn thư"));
}
