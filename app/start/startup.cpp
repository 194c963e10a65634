#include "startup.h"

#include "app.h"
#include "frmlogin.h"
#include "frmmain.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace korvane {

namespace {

const QString kCR = QStringLiteral("\r");
const QString kCRLF = QStringLiteral("\r\n");
const QString kDocStep = QStringLiteral("mở file dữ liệu công văn.");
const QString kPlanStep = QStringLiteral("mở file dữ liệu lịch tuần.");

std::unique_ptr<engine::Database> openShared(const QString& path) { return std::make_unique<engine::Database>(path); }

}  // namespace

Startup::Startup(App& app, frmMain& main) : app_(app), main_(main) {}

ShowMessage Startup::show()
{
    return [this](const QString& text) { app_.Message(text); };
}

QString Startup::dataFolder() const { return QDir::toNativeSeparators(QFileInfo(app_.DataFile(QStringLiteral("x"))).absolutePath()); }

QString Startup::currentYear() const { return QString::number(app_.Today().year()).rightJustified(4, QLatin1Char('0')); }

bool Startup::Run()
{
    main_.show();
    main_.repaint();
    app_.Months = MonthAbbrev::fromLocale(QLocale::system());
    StepText = QStringLiteral("kiểm tra thư mục KORVANE.");
    if (app_.AppFolder.isEmpty()) app_.AppFolder = AppFolderPath();

    const QString tmpl = app_.DataFile(QStringLiteral("zeltgoc.mdb"));
    if (!QFileInfo::exists(tmpl)) {
        app_.Message(QStringLiteral("Không tìm thấy file dữ liệu gốc của chương trình !!! ") + kCR +
                     QStringLiteral("Cần copy file zeltgoc.mdb vào thư mục ") + dataFolder() +
                     QStringLiteral(" hoặc cài đặt lại chương trình này !"));
        return false;
    }
    app_.TemplateFile = tmpl;
    TemplateBad = !KiemtraMDB(app_.TemplateFile, QStringLiteral("zeltgoc"), app_.MsgText, show());
    app_.TemplateBad = TemplateBad;

    // Steps 5 to 14 repeat until the files open or the user gives up.
    for (;;) {
        Next next = Next::Continue;
        try {
            next = openFiles();
        } catch (const engine::DbError& e) {
            app_.RecordFailure(e);
            next = unexpected(e.description());
        }
        if (next == Next::End) return false;
        if (next == Next::Again) continue;
        next = offerFallback();
        if (next == Next::End) return false;
        if (next == Next::Continue) break;
    }
    try {
        if (!yearTables()) return false;
        if (!login()) return false;
        StepText = QStringLiteral("mở các bảng tham khảo.");
        referenceLists();
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        unexpected(e.description());
        return false;
    }
    backupWarning();
    prepareMainWindow();
    return true;
}

Startup::Next Startup::openFiles()
{
    app_.CloseData();  // a second round opens everything again
    // Step 5: the local files come from the template when missing.
    for (const char* name : {"zeltlich.MDB", "zeltcv.MDB", "zelttk.MDB", "zelttemp.MDB"}) {
        const QString path = app_.DataFile(QLatin1String(name));
        if (QFileInfo::exists(path)) continue;
        if (TemplateBad) {
            app_.Message(QStringLiteral("File dữ liệu gốc của chương trình ") + app_.TemplateFile +
                         QStringLiteral(" bị hỏng. Chương trình không thể tiếp tục được !") + kCR +
                         QStringLiteral("Cần cài đặt lại chương trình này từ đĩa gốc !"));
            return Next::End;
        }
        CopyOrDelete(app_.TemplateFile, path, QStringLiteral("copy"));
        ClearReadOnly(path, app_.MsgText, show());
    }
    // Step 6: the scratch file, replaced when damaged or grown to a megabyte.
    StepText = QStringLiteral("kiểm tra file dữ liệu temp.");
    app_.TempFile = app_.DataFile(QStringLiteral("zelttemp.MDB"));
    if (!KiemtraMDB(app_.TempFile, QStringLiteral("zelttk"), app_.MsgText, show()))
        CopyOrDelete(app_.TemplateFile, app_.TempFile, QStringLiteral("copy"));
    if (QFileInfo(app_.TempFile).size() >= 1000000) CopyOrDelete(app_.TemplateFile, app_.TempFile, QStringLiteral("copy"));
    ClearReadOnly(app_.TempFile, app_.MsgText, show());
    app_.TempDb = openShared(app_.TempFile);

    // Step 7: the local reference file.
    StepText = QStringLiteral("kiểm tra file dữ liệu tham khảo local.");
    app_.LocalRefFile = app_.DataFile(QStringLiteral("zelttk.MDB"));
    if (!KiemtraMDB(app_.LocalRefFile, QStringLiteral("zelttk"), app_.MsgText, show())) {
        // The damaged file holds the office's own lists: it is kept aside, never overwritten.
        const QString kept = KeepDamagedFile(app_.LocalRefFile, QDateTime::currentDateTime());
        const QString warning = QStringLiteral("File dữ liệu zelttk.MDB ở thư mục ") + dataFolder() +
                                QStringLiteral(" đã bị sửa đổi hoặc bị hỏng, không dùng được !!!") + kCR +
                                QStringLiteral("Cần kiểm tra khôi phục lại file này! ");
        if (kept.isEmpty()) {
            app_.Message(warning + kCR + QStringLiteral("Không cất giữ được file hỏng này nên chương trình không thay nó bằng file mới. ") +
                         QStringLiteral("Chương trình không thể tiếp tục được !"));
            return Next::End;
        }
        app_.Message(warning + kCR + QStringLiteral("File hỏng được giữ lại với tên ") + kept);
        CopyOrDelete(app_.TemplateFile, app_.LocalRefFile, QStringLiteral("copy"));
        ClearReadOnly(app_.LocalRefFile, app_.MsgText, show());
    }
    app_.LocalRefDb = openShared(app_.LocalRefFile);

    // Step 8: the settings file, or the defaults written to a new one.
    StepText = QStringLiteral("kiểm tra file sysmem.");
    const QString sysmem = app_.DataFile(QStringLiteral("sysmem"));
    if (const auto s = ReadSysmem(sysmem)) {
        app_.PlanFile = s->PlanFile;
        app_.DocFile = s->DocFile;
        app_.BackupFile = s->BackupFile;
        app_.WorkYear = s->WorkYear;
    } else {
        const Sysmem d = DefaultSysmem(app_.AppFolder, app_.Today().year());
        app_.PlanFile = d.PlanFile;
        app_.DocFile = d.DocFile;
        app_.BackupFile = d.BackupFile;
        app_.WorkYear = currentYear();
        if (app_.WorkYear < QLatin1String("2008")) {
            app_.Message(QStringLiteral("Cần kiểm tra đặt lại ngày tháng năm trên máy tính cho đúng và chạy lại chương trình này!"));
            return Next::End;
        }
        app_.WriteSettings();
        main_.repaint();
    }

    // Step 9: the used-file lists.
    StepText = QStringLiteral("kiểm tra file sysmem2");
    RememberUsedFile(app_.AppFolder, QStringLiteral("sysmem2"), app_.DocFile);
    StepText = QStringLiteral("kiểm tra file sysmem3");
    RememberUsedFile(app_.AppFolder, QStringLiteral("sysmem3"), app_.PlanFile);

    // Steps 10 and 11: the document and plan files with the reference file beside each.
    FailedPath.clear();
    struct DataStep {
        const QString* step;
        QString* file;
        const char* kind;
        std::unique_ptr<engine::Database>* db;
        QString* refFile;
        const char* refStep;
        std::unique_ptr<engine::Database>* refDb;
    } steps[] = {
        {&kDocStep, &app_.DocFile, "zeltcv", &app_.DocDb, &app_.DocRefFile, "mở file dữ liệu tham khảo công văn.", &app_.DocRefDb},
        {&kPlanStep, &app_.PlanFile, "zeltlich", &app_.PlanDb, &app_.PlanRefFile, "mở file dữ liệu tham khảo lịch tuần.", &app_.PlanRefDb},
    };
    for (const DataStep& s : steps) {
        StepText = *s.step;
        if (!KiemtraMDB(*s.file, QLatin1String(s.kind), app_.MsgText, show(), &FailedWhy)) {
            FailedPath = *s.file;
            return Next::Continue;
        }
        *s.db = openShared(*s.file);
        *s.refFile = RefFileFor(*s.file);
        StepText = QString::fromUtf8(s.refStep);
        if (!KiemtraMDB(*s.refFile, QStringLiteral("zelttk"), app_.MsgText, show(), &FailedWhy)) {
            FailedPath = *s.refFile;
            return Next::Continue;
        }
        *s.refDb = openShared(*s.refFile);
    }

    // Steps 12 and 13: the working year, and the clock.
    StepText = QStringLiteral("kiểm tra năm làm việc.");
    app_.WorkYear = app_.WorkYear.trimmed();
    if (!IsWorkYear(app_.WorkYear)) {  // missing, or not a year at all

        app_.WorkYear = currentYear();
        if (app_.WorkYear < QLatin1String("2008")) {
            app_.Message(QStringLiteral("Cần kiểm tra đặt lại ngày tháng năm trên máy tính cho đúng và chạy lại chương trình này!"));
            return Next::End;
        }
    }
    if (app_.WorkYear != currentYear()) {
        app_.Message(QStringLiteral("Năm làm việc không trùng với con số năm trên máy là ") + currentYear() + kCR +
                     QStringLiteral("Cần chọn lại năm làm việc hoặc ") + QStringLiteral("phải kiểm tra, đặt lại ngày tháng năm trên máy tính!"));
        main_.repaint();
    }
    return Next::Continue;
}

Startup::Next Startup::offerFallback()
{
    if (FailedPath.trimmed().isEmpty()) return Next::Continue;
    // Falling back is only worth offering when it changes the file: a damaged file of the data
    // folder itself would fail again and again. It is named and left as it is.
    const bool docSide = FailedPath == app_.DocFile || FailedPath == app_.DocRefFile;
    const QString fallback = app_.DataFile(docSide ? QStringLiteral("zeltcv.MDB") : QStringLiteral("zeltlich.MDB"));
    if (SameFile(docSide ? app_.DocFile : app_.PlanFile, fallback)) {
        app_.Message(QStringLiteral("File dữ liệu ") + FailedPath + QStringLiteral(" bị hỏng hoặc không đọc được, không dùng được !!!") + kCR +
                     QStringLiteral("Cần kiểm tra, khôi phục lại file này hoặc chép lại từ bản sao lưu, rồi chạy lại chương trình này !"));
        return Next::End;
    }
    // A file that is there but fails its check is damaged or unreadable, not missing. A server's
    // data is named with what the server (or libpq, when none answers) said.
    QString problem;
    if (!engine::Database::IsPath(FailedPath)) {
        // The reason found by the check: a server that does not answer is not asked twice.
        const QString why = FailedWhy;
        problem = QStringLiteral("Không dùng được dữ liệu ") + FailedPath + QStringLiteral(" trên máy chủ !") + kCRLF +
                  (why.isEmpty() ? QStringLiteral("Dữ liệu trên máy chủ thiếu các bảng cần dùng.") : why);
    } else if (PathExists(FailedPath).isEmpty()) {
        problem = QStringLiteral("Không tìm thấy file dữ liệu ") + FailedPath + QStringLiteral(" !");
    } else {
        problem = QStringLiteral("File dữ liệu ") + FailedPath + QStringLiteral(" bị hỏng hoặc không đọc được !");
    }
    const QString answer =
        app_.Message(problem + kCRLF + QStringLiteral("Cần kiểm tra lại việc nối mạng và các thư mục mạng chứa file dữ liệu. ") + kCRLF +
                         QStringLiteral("Có muốn chuyển về file dữ liệu trong thư mục ") + dataFolder() +
                         QStringLiteral(" không ?"),
                     QStringLiteral("yesno"));
    if (answer != QLatin1String("yes")) return Next::End;
    // The first of DocFile, PlanFile, DocRefFile, PlanRefFile that equals the failed path decides.
    if (FailedPath == app_.DocFile) app_.DocFile = app_.DataFile(QStringLiteral("zeltcv.MDB"));
    else if (FailedPath == app_.PlanFile) app_.PlanFile = app_.DataFile(QStringLiteral("zeltlich.MDB"));
    else if (FailedPath == app_.DocRefFile) app_.DocFile = app_.DataFile(QStringLiteral("zeltcv.MDB"));
    else if (FailedPath == app_.PlanRefFile) app_.PlanFile = app_.DataFile(QStringLiteral("zeltlich.MDB"));
    app_.WriteSettings();
    main_.repaint();
    return Next::Again;
}

Startup::Next Startup::unexpected(const QString& description)
{
    ++unexpectedFailures_;
    // The adapter's own words follow, so that the clerk (or whoever helps) sees the cause.
    const QString cause = description.isEmpty() ? QString() : kCR + description;
    if ((StepText == kDocStep || StepText == kPlanStep) && unexpectedFailures_ < 2) {
        app_.Message(QStringLiteral("Gặp lỗi khi đang ") + StepText + kCR + QStringLiteral(" Cần kiểm tra hoặc khai báo lại file dữ liệu trên mạng !") +
                     cause);
        return Next::Again;
    }
    app_.Message(QStringLiteral("Gặp lỗi khi đang ") + StepText + kCR + QStringLiteral(" Chương trình không thể tiếp tục được !") + cause);
    return Next::End;
}

bool OpenYearTables(App& app)
{
    app.SetYearTables();
    struct Year {
        const QString* table;
        engine::Database* db;
        const char* model;
    } tables[] = {{&app.PlanTable, app.PlanDb.get(), "kehoachmau"},
                  {&app.CalendarTable, app.PlanDb.get(), "lichmau"},
                  {&app.InDocTable, app.DocDb.get(), "cvdenmau"},
                  {&app.OutDocTable, app.DocDb.get(), "cvdimau"}};
    for (const Year& y : tables) {
        if (TableExists(*y.table, *y.db)) continue;
        if (!CreateTableFromTemplate(*y.db, *y.db, QLatin1String(y.model), *y.table, true) && !TableExists(*y.table, *y.db)) return false;
    }
    return true;
}

bool Startup::yearTables()
{
    if (OpenYearTables(app_)) return true;
    app_.Message(QStringLiteral("Gặp lỗi khi đang mở các bảng dữ liệu của chương trình!") + kCRLF + kCRLF +
                 QStringLiteral("Cần kiểm tra khôi phục dữ liệu và chạy lại chương trình này!"));
    return false;
}

bool Startup::login()
{
    app_.UserFullName.clear();
    app_.UserRights.clear();
    app_.MsgText.clear();
    frmlogin dialog(app_, QStringLiteral("ktranguoidung"), &main_);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    app_.modal().runModal(dialog);
    QApplication::restoreOverrideCursor();
    return !app_.UserRights.isEmpty() && app_.MsgText != QLatin1String("thoi");
}

void OpenReferenceLists(App& app)
{
    using engine::RecordsetType;
    app.AbbreviationList = app.LocalRefDb->OpenRecordset(QStringLiteral("SELECT * FROM chutat ORDER BY matt"), RecordsetType::Snapshot);
    app.UnitList = app.PlanRefDb->OpenRecordset(QStringLiteral("SELECT * FROM donvi ORDER BY matt"), RecordsetType::Snapshot);
    app.SenderList = app.DocRefDb->OpenRecordset(QStringLiteral("select * from noigui  order by matt"), RecordsetType::Snapshot);
    app.DocTypeList = app.DocRefDb->OpenRecordset(QStringLiteral("select * from loaicv  order by matt"), RecordsetType::Snapshot);
}

void Startup::referenceLists()
{
    OpenReferenceLists(app_);
    main_.Cmdxemcvden->setFocus();
}

void Startup::backupWarning()
{
    if (app_.BackupFile.size() > 8 && !QFileInfo::exists(app_.BackupFile))
        app_.Message(QStringLiteral("Không tìm thấy file dữ liệu backup ") + app_.BackupFile + QStringLiteral(" ?!") + kCR +
                     QStringLiteral("Cần kiểm tra lại việc nối mạng ") + QStringLiteral(" hoặc chọn lại file backup nếu cần !"));
}

void Startup::prepareMainWindow()
{
    QString organisation;
    try {
        auto rs = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from tendonvi"), engine::RecordsetType::Snapshot);
        if (!rs->Eof()) organisation = rs->Field(QStringLiteral("tendonvi")).toString();
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
    main_.SetBanner(organisation);
    main_.SetLabels();
    main_.repaint();
    main_.SetEntryButtons();
    main_.repaint();
}

}  // namespace korvane
