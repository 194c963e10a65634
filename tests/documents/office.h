// A started program on a fresh data folder, for the tests of the document windows: the scripted
// modal service answers, the register windows run for real.
#pragma once

#include "app.h"
#include "frmmain.h"
#include "scriptedmodal.h"
#include "startup.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

// A fixture of OfficeOnBoth runs its cases on files and on the server:
//   KORVANE_ON_BOTH_ENGINES(Fixture) after the fixture, and TEST_P(Fixture, Case).
#define KORVANE_ON_BOTH_ENGINES(fixture)                                                                                   \
    INSTANTIATE_TEST_SUITE_P(On, fixture, ::testing::Values(testing_support::Backend::File, testing_support::Backend::Server), \
                             testing_support::backendName<::testing::TestParamInfo<testing_support::Backend>>)

class Office : public ::testing::Test {
protected:
    virtual bool onServer() const { return false; }
    void SetUp() override
    {
        if (onServer() && testing_support::TestServer().isEmpty()) GTEST_SKIP() << testing_support::kNoServer;
        QDir(folder.root()).mkpath(QStringLiteral("data"));
        QFile::copy(testing_support::templatePath(), folder.path(QStringLiteral("data/zeltgoc.mdb")));
        for (const char* report : {"brcvden.rpt", "brcvdi.rpt", "brkehoach.rpt", "brlichtuan.rpt"})
            QFile::copy(QFileInfo(testing_support::templatePath()).absolutePath() + QLatin1Char('/') + QLatin1String(report),
                        folder.path(QStringLiteral("data/") + QLatin1String(report)));
        app.AppFolder = folder.root();
        app.Today = [] { return QDate(2026, 12, 9); };
        modal.drivers[QStringLiteral("frmlogin")] = testing_support::LoginAs(QStringLiteral("ai"), QString());
        ASSERT_TRUE(korvane::Startup(app, main).Run());
        if (onServer()) testing_support::MoveOfficeToServer(app);
        app.DocRefDb->Execute(QStringLiteral("INSERT INTO noigui (tendonvi, chutat, matt) VALUES ('Bộ Tài chính', 'btc', 'b')"));
        app.DocRefDb->Execute(QStringLiteral("INSERT INTO noigui (tendonvi, chutat, matt) VALUES ('Sở Y tế', 'syt', 's')"));
        app.PlanRefDb->Execute(QStringLiteral("INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Phòng Tổ chức', 'ptc', 'p1')"));
        app.PlanRefDb->Execute(QStringLiteral("INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Văn phòng', 'vp', 'v2')"));
    }
    // Every row of a query, its fields joined by "|".
    static QStringList Rows(engine::Database& db, const QString& sql)
    {
        auto rs = db.OpenRecordset(sql, engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            for (const QString& f : rs->FieldNames()) row.append(rs->Field(f).toString());
            out.append(row.join(QLatin1Char('|')));
        }
        return out;
    }
    QStringList column(const QString& sql) { return Rows(*app.DocDb, sql); }
    static void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyPress(w, k, m);
        QTest::keyRelease(w, k, m);
    }
    // A button's Alt key, with the focus left where it is: the button is pressed as the toolkit
    // presses it for its mnemonic, a moment later.
    static void alt(QWidget* focused, Qt::Key k)
    {
        QTest::keyClick(focused, k, Qt::AltModifier);
        QTest::qWait(300);
    }
    // A window made active, so that focus moves and the checks made on leaving a box happen.
    template <class W>
    W* activate(W* window)
    {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }

    // Another clerk: a second program started on the same folder, answered by the same script.
    struct Clerk {
        Clerk(testing_support::ScriptedModal& modal, const korvane::App& first) : app(modal), main(app)
        {
            app.AppFolder = first.AppFolder;
            app.Today = first.Today;
        }
        korvane::App app;
        korvane::frmMain main;
    };
    std::unique_ptr<Clerk> anotherClerk()
    {
        auto clerk = std::make_unique<Clerk>(modal, app);
        EXPECT_TRUE(korvane::Startup(clerk->app, clerk->main).Run());
        if (onServer()) testing_support::JoinOffice(clerk->app, app);
        return clerk;
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    korvane::App app{modal};
    korvane::frmMain main{app};
};

class OfficeOnBoth : public Office, public ::testing::WithParamInterface<testing_support::Backend> {
protected:
    bool onServer() const override { return GetParam() == testing_support::Backend::Server; }
};
