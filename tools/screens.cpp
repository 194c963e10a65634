// Pictures of the registers and lists on a fresh data folder with a few rows:  korvane_screens OUTPUT
// Each register is shown on its last row and again while adding; each list on the working year.
// The windows are opened as the main window opens them. Run it under a display (xvfb-run -a) or
// on the offscreen platform with a font installed.
#include "app.h"
#include "calendar.h"
#include "documents.h"
#include "frmlogin.h"
#include "frmmain.h"
#include "plans.h"
#include "startup.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

// Answers every question "no", logs on as the template's first user and writes the messages shown
// to standard error, so that the pictures are taken without anyone at the keyboard.
class UnattendedModal : public korvane::ModalService {
public:
    void message(korvane::App& app) override
    {
        std::fprintf(stderr, "message (%s): %s\n", qPrintable(app.MsgMode), qPrintable(app.MsgText));
        app.MsgResult = app.MsgMode.compare(QLatin1String("yesno"), Qt::CaseInsensitive) == 0 ? QStringLiteral("no")
                                                                                                : QStringLiteral("ok");
    }
    std::unique_ptr<QWidget> notice(korvane::App& app) override
    {
        std::fprintf(stderr, "notice: %s\n", qPrintable(app.MsgText));
        return std::make_unique<QWidget>();
    }
    void systemMessage(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    int runModal(QDialog& dialog) override
    {
        if (auto* login = qobject_cast<korvane::frmlogin*>(&dialog)) {
            login->show();
            login->txtUserName->setText(QStringLiteral("ai"));
            login->txtPassword->clear();
            login->cmdok->click();
        }
        if (dialog.isVisible()) dialog.reject();
        return dialog.result();
    }
    bool openDocument(const QString&) override { return false; }
    korvane::ReportTarget reportDestination() override { return korvane::ReportTarget::Cancel; }
};

// Lets the window finish laying out and painting.
void settle()
{
    for (int k = 0; k < 10; ++k) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

bool save(QWidget* window, const QDir& out, const QString& name)
{
    if (!window || !window->isVisible()) {
        std::fprintf(stderr, "korvane_screens: %s is not shown\n", qPrintable(name));
        return false;
    }
    settle();
    const QString file = out.filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(file)) {
        std::fprintf(stderr, "korvane_screens: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// A register's "Nạp mới", pressed as the clerk presses it.
void startAdding(QWidget* window)
{
    if (auto* add = window ? window->findChild<QPushButton*>(QStringLiteral("cmdAdd")) : nullptr) add->click();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane_screens OUTPUT\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "korvane_screens: cannot make %s\n", argv[1]);
        return 1;
    }

    // A data folder made from the template, as on a first start.
    QTemporaryDir folder;
    const QDir shipped(QStringLiteral(KORVANE_DATA_DIR));
    QDir(folder.path()).mkpath(QStringLiteral("data"));
    for (const char* file : {"zeltgoc.mdb", "brcvden.rpt", "brcvdi.rpt", "brkehoach.rpt", "brlichtuan.rpt"})
        QFile::copy(shipped.filePath(QLatin1String(file)), folder.filePath(QStringLiteral("data/") + QLatin1String(file)));

    UnattendedModal modal;
    korvane::App app(modal);
    app.AppFolder = folder.path();
    app.Today = [] { return QDate(2026, 12, 9); };
    korvane::frmMain main(app);
    korvane::InstallDocumentWindows(app, &main);
    korvane::InstallPlanWindows(app, &main);
    korvane::InstallCalendarWindows(app, &main);
    if (!korvane::Startup(app, main).Run()) {
        std::fprintf(stderr, "korvane_screens: the program did not start on %s\n", qPrintable(folder.path()));
        return 1;
    }

    try {
        auto run = [](engine::Database& db, const char* sql) { db.Execute(QString::fromUtf8(sql)); };
        run(*app.DocRefDb, "INSERT INTO noigui (tendonvi, chutat, matt) VALUES ('Bộ Tài chính', 'btc', 'b')");
        run(*app.DocRefDb, "INSERT INTO noigui (tendonvi, chutat, matt) VALUES ('Sở Y tế', 'syt', 's')");
        run(*app.PlanRefDb, "INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Phòng Tổ chức', 'ptc', 'p1')");
        run(*app.PlanRefDb, "INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Văn phòng', 'vp', 'v2')");
        run(*app.DocDb, "INSERT INTO cvden2026 (stt, ng_den, ng_denchuan, noigui, so_cv, ng_cv, ng_cvchuan, loai, dv_nhan, "
                        "cd_dang, mat, tt_ndung, da_xuli) VALUES ('1', '01/12/2026', '20261201', 'Sở Y tế', '125/SYT', "
                        "'28/11/2026', '20261128', 'Công văn', 'Phòng Tổ chức', 'Đảng,NN', 'Thường', "
                        "'Về việc tiêm chủng mở rộng đợt cuối năm', 0)");
        run(*app.DocDb, "INSERT INTO cvden2026 (stt, ng_den, ng_denchuan, noigui, so_cv, ng_cv, ng_cvchuan, loai, dv_nhan, "
                        "cd_dang, mat, tt_ndung, da_xuli) VALUES ('2', '03/12/2026', '20261203', 'Bộ Tài chính', "
                        "'4321/BTC-NSNN', '01/12/2026', '20261201', 'Thông báo', 'Văn phòng', 'Đảng,NN', 'Mật', "
                        "'Thông báo kết luận về dự toán ngân sách năm 2027', 1)");
        run(*app.DocDb, "INSERT INTO cvdi2026 (stt, so_cv, ng_cv, ng_cvchuan, loai, dv_nhan, noiluu, nguoiky, tt_ndung) "
                        "VALUES ('1', '15/UBND-VP', '02/12/2026', '20261202', 'Công văn', 'Sở Y tế', 'Văn phòng', "
                        "'Nguyễn Văn Đức', 'Đề nghị hỗ trợ kinh phí phòng dịch')");
        run(*app.DocDb, "INSERT INTO cvdi2026 (stt, so_cv, ng_cv, ng_cvchuan, loai, dv_nhan, noiluu, nguoiky, tt_ndung) "
                        "VALUES ('2', '16/QĐ-UBND', '05/12/2026', '20261205', 'Quyết định', 'Phòng Tổ chức', 'Văn phòng', "
                        "'Trần Thị Hằng', 'Quyết định thành lập tổ công tác rà soát hồ sơ')");
        run(*app.PlanDb, "INSERT INTO kehoach2026 (Tendonvi, ndungtt, ndungct, loai, Tgianbdau, Tgianbdauchuan, Tgiankthuc, "
                         "Tgiankthucchuan, nguoichidao, chidao, canbo, ketqua, nguoicapnhat, khan, ketthuc) VALUES ('Văn phòng', "
                         "'Tổng kết công tác năm 2026', 'Chuẩn bị báo cáo và tổ chức hội nghị tổng kết', 'Kế hoạch', "
                         "'01/12/2026', '20261201', '20/12/2026', '20261220', 'Lê Văn Hùng', 'Hoàn thành trước ngày 20', "
                         "'Phạm Thu Trang', 'Đang thực hiện', 'ai', 0, 0)");
        run(*app.PlanDb, "INSERT INTO kehoach2026 (Tendonvi, ndungtt, ndungct, loai, Tgianbdau, Tgianbdauchuan, Tgiankthuc, "
                         "Tgiankthucchuan, nguoichidao, chidao, canbo, ketqua, nguoicapnhat, khan, ketthuc) VALUES ('Phòng Tổ chức', "
                         "'Rà soát quy hoạch cán bộ', 'Lập danh sách và đối chiếu hồ sơ', 'Kế hoạch', '05/12/2026', "
                         "'20261205', '31/12/2026', '20261231', 'Lê Văn Hùng', 'Khẩn trương', 'Đỗ Minh Quân', '', 'ai', 1, 0)");
        run(*app.PlanDb, "INSERT INTO lich2026 (thu, ngay, ngaychuan, gio, giochuan, ndung, diadiem, nguoicbi, nguoictri, "
                         "thanhphan, ghichu, nguoicapnhat) VALUES ('Thứ tư', '09/12/2026', '20261209', '8h00', '0800', "
                         "'Họp giao ban đầu tuần', 'Phòng họp số 1', 'Văn phòng', 'Chủ tịch', 'Lãnh đạo các phòng', "
                         "'', 'ai')");
        run(*app.PlanDb, "INSERT INTO lich2026 (thu, ngay, ngaychuan, gio, giochuan, ndung, diadiem, nguoicbi, nguoictri, "
                         "thanhphan, ghichu, nguoicapnhat) VALUES ('Thứ năm', '10/12/2026', '20261210', '14h00', '1400', "
                         "'Làm việc với đoàn kiểm tra của tỉnh', 'Hội trường', 'Phòng Tổ chức', 'Phó Chủ tịch', "
                         "'Theo giấy mời', 'Chuẩn bị tài liệu', 'ai')");
    } catch (const engine::DbError& e) {
        std::fprintf(stderr, "korvane_screens: %s\n", qPrintable(e.description()));
        return 1;
    }

    bool ok = true;
    auto open = [&](const char* opener, const char* window) {
        app.Openers.at(QLatin1String(opener))(app);
        return app.Window(QLatin1String(window));
    };
    try {
        // The lists first, while no register holds a record being added.
        ok &= save(open("Cmdxemcvden", "frmgridcvden"), out, QStringLiteral("frmgridcvden"));
        ok &= save(open("cmdxemkh", "frmgridcongviec"), out, QStringLiteral("frmgridcongviec"));
        // The calendar grid is what the calendar register's "Bảng thứ tự" shows.
        QWidget* calendar = open("cmdnaplich", "frmlich");
        ok &= save(calendar, out, QStringLiteral("frmlich-view"));
        if (auto* grid = calendar ? calendar->findChild<QPushButton*>(QStringLiteral("cmdbang")) : nullptr) grid->click();
        ok &= save(app.Window(QStringLiteral("frmGridlich")), out, QStringLiteral("frmGridlich"));
        if (QWidget* grid = app.Window(QStringLiteral("frmGridlich"))) grid->hide();
        calendar = open("cmdnaplich", "frmlich");
        startAdding(calendar);
        ok &= save(calendar, out, QStringLiteral("frmlich-add"));

        for (const auto& [opener, name] : {std::pair{"cmdnapcvden", "frmcvden"}, {"cmdnapcvdi", "frmcvdi"}, {"cmdnapkh", "frmcongviec"}}) {
            QWidget* reg = open(opener, name);
            ok &= save(reg, out, QLatin1String(name) + QStringLiteral("-view"));
            startAdding(reg);
            ok &= save(reg, out, QLatin1String(name) + QStringLiteral("-add"));
        }
    } catch (const engine::DbError& e) {
        std::fprintf(stderr, "korvane_screens: %s\n", qPrintable(e.description()));
        return 1;
    }
    return ok ? 0 : 1;
}
