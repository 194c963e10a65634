// Every window the main window opens, by its buttons and its menus, worked as a clerk new to it
// would: something typed, Esc pressed, the window's frame clicked, and Esc at every question that
// follows. None of that may write a row anywhere.
#include "calendar.h"
#include "documents.h"
#include "frmchondulieu.h"
#include "frmcongviec.h"
#include "frmloaitien.h"
#include "frmnamlamviec.h"
#include "frmthongke.h"
#include "importdata.h"
#include "office.h"
#include "plans.h"
#include "referencelists.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <map>

using namespace korvane;

class EveryWindow : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;  // no server in this run
        InstallDocumentWindows(app, &main);
        InstallPlanWindows(app, &main);
        InstallCalendarWindows(app, &main);
        app.Openers[QStringLiteral("mnuchonnamlamviec")] = ChooseWorkYear;
        InstallUserWindow(app);
        InstallReferenceListWindows(app);
        InstallDataFileChooser(app);
        InstallImport(app);
        InstallStatisticsWindow(app);
        // A row in every register, so that "Sửa" has something to correct.
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, ng_den, ng_denchuan, noigui, tt_ndung) "
                                          "VALUES ('1', '01/12/2026', '20261201', 'Sở Y tế', 'Một')"));
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvdi2026 (stt, loai, ng_cv, ng_cvchuan, tt_ndung) "
                                          "VALUES ('1', 'Công văn', '01/12/2026', '20261201', 'Hai')"));
        app.PlanDb->Execute(QStringLiteral("INSERT INTO kehoach2026 (Tendonvi, ndungtt, Tgianbdau, Tgianbdauchuan, Tgiankthuc, "
                                           "Tgiankthucchuan, nguoicapnhat, khan, ketthuc) VALUES ('Văn phòng', 'Ba', '01/12/2026', "
                                           "'20261201', '05/12/2026', '20261205', 'ai', 0, 0)"));
        app.PlanDb->Execute(QStringLiteral("INSERT INTO lich2026 (ngay, ngaychuan, gio, giochuan, ndung, nguoicapnhat) "
                                           "VALUES ('09/12/2026', '20261209', '8h00', '0800', 'Bốn', 'ai')"));
        modal.anyDriver = [this](QDialog& d) { work(&d); };
    }

    // Every row of every table of every file the program has open.
    QStringList everything()
    {
        QStringList all;
        for (engine::Database* db : {app.DocDb.get(), app.DocRefDb.get(), app.PlanDb.get(), app.PlanRefDb.get(), app.LocalRefDb.get()})
            for (const QString& table : db->TableNames())
                for (const QString& row : Rows(*db, QStringLiteral("SELECT * FROM [") + table + QLatin1Char(']')))
                    all.append(db->Name() + QLatin1Char('/') + table + QLatin1Char(':') + row);
        return all;
    }

    // What a clerk new to a window does: start a record where it offers one, type, press Esc,
    // click the frame; Esc at every question. Then the window is left with "no" at every question.
    void work(QWidget* w)
    {
        worked.append(w->objectName());
        activate(w);
        for (const char* start : {"cmdAdd", "Cmdsua"})
            if (auto* b = w->findChild<QPushButton*>(QLatin1String(start)); b && b->isVisible() && b->isEnabled()) {
                QTest::mouseClick(b, Qt::LeftButton);
                break;
            }
        QWidget* box = QApplication::focusWidget();
        auto editable = [w](QWidget* b) {
            if (!b || b->window() != w || !b->isVisible() || !b->isEnabled()) return false;
            if (auto* l = qobject_cast<QLineEdit*>(b)) return !l->isReadOnly();
            if (auto* t = qobject_cast<QPlainTextEdit*>(b)) return !t->isReadOnly();
            return false;
        };
        if (!editable(box)) {
            box = nullptr;
            for (QLineEdit* l : w->findChildren<QLineEdit*>())
                if (editable(l)) {
                    box = l;
                    break;
                }
        }
        if (box) {
            box->setFocus();
            QTest::keyClicks(box, "zq");
        }
        modal.answers = {QStringLiteral("esc"), QStringLiteral("esc"), QStringLiteral("esc")};
        QWidget* focus = QApplication::focusWidget();
        key(focus && focus->window() == w ? focus : w, Qt::Key_Escape);
        if (w->isVisible()) {
            modal.answers = {QStringLiteral("esc"), QStringLiteral("esc"), QStringLiteral("esc")};
            w->close();
        }
        modal.answers = {};  // "no" from here on
        if (w->isVisible()) w->close();
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString() << " stays open after \"no\": "
                                     << worked.join(QLatin1Char(',')).toStdString();
    }

    // The window a button or menu item showed, other than the main window.
    static QWidget* shown(const QSet<QWidget*>& before)
    {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->isVisible() && !before.contains(t) && t->objectName() != QLatin1String("frmMain") && !t->inherits("QMenu")) return t;
        return nullptr;
    }
    static QSet<QWidget*> visibleWindows()
    {
        QSet<QWidget*> v;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->isVisible()) v.insert(t);
        return v;
    }

    QStringList worked;
};
KORVANE_ON_BOTH_ENGINES(EveryWindow);

TEST_P(EveryWindow, EscAndTheFrameWriteNothingAnywhere)
{
    const QStringList before = everything();
    main.show();
    for (QPushButton* button : main.findChildren<QPushButton*>()) {
        if (button == main.Cmdclose || !button->isEnabled()) continue;
        const QSet<QWidget*> open = visibleWindows();
        QTest::mouseClick(button, Qt::LeftButton);
        QWidget* w = shown(open);
        ASSERT_NE(w, nullptr) << button->objectName().toStdString() << " showed no window";
        work(w);
        // Whatever it led back to (a register after its list, the main window) is left too.
        for (QWidget* back = shown(open); back; back = shown(open)) {
            if (worked.count(back->objectName()) > 3) break;
            work(back);
        }
        EXPECT_TRUE(main.isVisible()) << button->objectName().toStdString();
    }
    for (QAction* item : main.findChildren<QAction*>()) {
        if (item->objectName().isEmpty() || item == main.mnunapkthuc || item->menu()) continue;
        main.show();
        item->trigger();
        for (QWidget* back = shown({&main}); back; back = shown({&main})) {
            if (worked.count(back->objectName()) > 3) break;
            work(back);
        }
    }
    for (const char* name : {"frmcvden", "frmcvdi", "frmcongviec", "frmlich", "frmgridcvden", "frmtracuucvden", "frmchondulieu",
                             "frmnamlamviec", "frmtendonvi", "frmbophan", "frmloaitien", "frmthongke"})
        EXPECT_TRUE(worked.contains(QLatin1String(name))) << name << " was not reached: " << worked.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(everything(), before);
}

TEST_P(EveryWindow, OneWindowOfEachKindAndNoneOutlivesTheDataFiles)
{
    const QStringList kinds = {"frmcvden", "frmcvdi", "frmcongviec", "frmlich", "frmtracuucvden", "frmtracuucvdi",
                               "frmgridcvden", "frmgridcvdi", "frmtracuukh", "frmgridcongviec", "frmlichtuan", "frmtracuulich",
                               "frmtxt"};
    // The windows of those kinds there are, by kind.
    auto made = [&kinds] {
        std::map<QString, QList<QPointer<QWidget>>> windows;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (kinds.contains(t->objectName())) windows[t->objectName()].append(t);
        return windows;
    };
    // Every window the main window's buttons open, opened twice: the second time brings back the
    // window of the first.
    for (int round = 0; round < 2; ++round)
        for (const char* button : {"cmdnapcvden", "cmdnapcvdi", "cmdnapkh", "cmdnaplich", "cmdtracuucvden", "cmdtracuucvdi",
                                   "Cmdxemcvden", "cmdxemcvdi", "cmdtracuukh", "cmdxemkh", "Cmdxemlich", "cmdtracuulich"}) {
            main.show();
            app.Openers.at(QLatin1String(button))(app);
        }
    // The plan register's enlarged text, asked for twice.
    frmcongviec* plan = frmcongviec::Find(app);
    ASSERT_NE(plan, nullptr);
    for (int round = 0; round < 2; ++round) {
        plan->show();
        QTest::mouseClick(plan->cmdxemct, Qt::LeftButton);
    }
    const auto before = made();
    for (const QString& kind : kinds) {
        ASSERT_TRUE(before.count(kind)) << kind.toStdString() << " was not made";
        EXPECT_EQ(before.at(kind).size(), 1) << kind.toStdString() << " was made more than once";
    }

    // The data files change: not one of them stays.
    ASSERT_TRUE(app.CloseDataWindows());
    for (const auto& [kind, windows] : before)
        for (const QPointer<QWidget>& w : windows) EXPECT_TRUE(w.isNull()) << kind.toStdString() << " outlives the data files";
    EXPECT_TRUE(made().empty());
    EXPECT_EQ(app.Window(QStringLiteral("frmMain")), &main);  // the main window stays
}
