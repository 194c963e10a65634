#include "frmchondulieu.h"

#include "app.h"
#include "backup.h"
#include "datafiles.h"
#include "frmlogin.h"
#include "frmmain.h"
#include "recordform.h"
#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace korvane {

namespace {

const QString kCR = QStringLiteral("\r");
const QString kCRLF = QStringLiteral("\r\n");

// A step of the switch that cannot be done; its reason ends the failure message.
struct SwitchFailed {
    QString reason;
};

frmMain* mainWindow(App& app) { return qobject_cast<frmMain*>(app.Window(QStringLiteral("frmMain"))); }

QString listName(frmchondulieu::Kind kind)
{
    return kind == frmchondulieu::Kind::Documents ? QStringLiteral("sysmem2") : QStringLiteral("sysmem3");
}

// The used-file list written whole: the chosen path first, then the other paths once each.
bool writeUsedFiles(const QString& file, const QString& chosen, const QStringList& others)
{
    // Files of the data folder are written relative to it, as in the settings file.
    const QString folder = QFileInfo(file).path();
    QByteArray bytes = "\"" + StoredPath(folder, chosen).toUtf8() + "\"\r\n";
    for (const QString& path : others)
        if (!path.trimmed().isEmpty() && path.compare(chosen, Qt::CaseInsensitive) != 0)
            bytes += "\"" + StoredPath(folder, path).toUtf8() + "\"\r\n";
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(bytes);
    return out.commit();
}

bool restoreBytes(const QString& file, const std::optional<QByteArray>& bytes)
{
    if (!bytes) return !QFile::exists(file) || QFile::remove(file);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(*bytes);
    return out.commit();
}

std::optional<QByteArray> readBytes(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return std::nullopt;
    return in.readAll();
}

// The file name of a backup path without blanks; the folder is kept as typed.
QString withoutBlanks(const QString& path)
{
    QString name = path.mid(FolderOf(path).size());
    name.remove(QLatin1Char(' '));
    return FolderOf(path) + name;
}

}  // namespace

frmchondulieu::frmchondulieu(App& app, Kind kind, QWidget* parent) : QDialog(parent), app_(app), kind_(kind)
{
    setObjectName(QStringLiteral("frmchondulieu"));
    setWindowTitle(QStringLiteral("Chọn file dữ liệu"));
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    lbltieude = NewHeading(this, kind == Kind::Documents ? QStringLiteral("Chọn file dữ liệu công văn")
                                 : kind == Kind::Plans   ? QStringLiteral("Chọn file dữ liệu kế hoạch công tác, lịch làm việc")
                                                         : QStringLiteral("Chọn file dữ liệu backup"));
    Label4 = label("Label4", QStringLiteral("Tên file đang dùng"));
    filedangdung = new QLineEdit(this);
    filedangdung->setObjectName(QStringLiteral("filedangdung"));
    filedangdung->setReadOnly(true);
    filedangdung->setText(kind == Kind::Documents ? app_.DocFile : kind == Kind::Plans ? app_.PlanFile : app_.BackupFile);
    Label3 = label("Label3", QStringLiteral("Danh sách các file đã dùng trước đây"));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    label2 = label("label2", QStringLiteral("Nháy đúp vào dòng có tên file định dùng ở danh sách trên để chọn hoặc bấm nút \"Tìm file mới\" "
                                            "để chọn file dữ liệu khác"));
    label2->setWordWrap(true);
    filechon = new QLineEdit(this);
    filechon->setObjectName(QStringLiteral("filechon"));
    if (kind != Kind::Backup)
        filechon->setPlaceholderText(QStringLiteral("Đường dẫn file .MDB, hoặc địa chỉ máy chủ như postgresql://maychu/vanphong#zeltcv"));
    lblketnoi = label("lblketnoi", QString());
    lblketnoi->setWordWrap(true);
    auto button = [this](const char* name, const QString& text) { return NamedButton(this, name, text); };
    cmdchon = button("cmdchon", QStringLiteral("&Tìm file mới"));
    cmdchapnhan = button("cmdchapnhan", QStringLiteral("&Chấp nhận"));
    cmdhuychon = button("cmdhuychon", QStringLiteral("&Không chọn"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdchon);
    buttons->addStretch();
    buttons->addWidget(cmdchapnhan);
    buttons->addWidget(cmdhuychon);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltieude);
    layout->addWidget(Label4);
    layout->addWidget(filedangdung);
    layout->addWidget(Label3);
    layout->addWidget(List1, 1);
    layout->addWidget(label2);
    layout->addWidget(filechon);
    layout->addWidget(lblketnoi);
    layout->addLayout(buttons);

    connect(List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        filechon->setText(item->text());
        TryConnection();
    });
    connect(filechon, &QLineEdit::textChanged, this, [this](const QString& text) {
        cmdchapnhan->setEnabled(!text.trimmed().isEmpty());
        if (text.trimmed() != triedName_) showConnection(QString());
    });
    connect(filechon, &QLineEdit::editingFinished, this, &frmchondulieu::TryConnection);
    connect(cmdchon, &QPushButton::clicked, this, &frmchondulieu::Browse);
    connect(cmdchapnhan, &QPushButton::clicked, this, [this] { Accept(); });
    connect(cmdhuychon, &QPushButton::clicked, this, &QDialog::reject);

    NapDsachfiledadung();
    filechon->clear();
    cmdchapnhan->setEnabled(false);
    filechon->setFocus();  // the clerk types a name or picks one from the list
    resize(620, 420);
}

void frmchondulieu::NapDsachfiledadung()
{
    List1->clear();
    if (kind_ == Kind::Backup) {
        if (!app_.BackupFile.trimmed().isEmpty()) List1->addItem(app_.BackupFile);
        return;
    }
    List1->addItems(ReadUsedFiles(app_.AppFolder, listName(kind_)));
}

void frmchondulieu::Browse()
{
    const QString title = kind_ == Kind::Documents ? QStringLiteral("Chon file du lieu cong van")
                          : kind_ == Kind::Plans   ? QStringLiteral("Chon file du lieu lich")
                                                   : QStringLiteral("Chon file du lieu backup");
    // The dialog starts in the folder of the file in use when there is one.
    QString folder = FolderOf(filedangdung->text().trimmed());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    const QString chosen = app_.modal().openFileName(this, title, folder, QStringLiteral("File *.MDB (*.MDB *.mdb);;All (*)"));
    if (!chosen.isEmpty()) filechon->setText(chosen);  // an empty answer is a cancelled dialog
}

// The reason a server gave is as long as it needs: the label takes its lines from the list above.
void frmchondulieu::showConnection(const QString& text)
{
    lblketnoi->setText(text);
    lblketnoi->setMinimumHeight(text.isEmpty() ? 0 : lblketnoi->heightForWidth(std::max(lblketnoi->width(), 200)));
    layout()->activate();
}

void frmchondulieu::TryConnection()
{
    const QString chosen = filechon->text().trimmed();
    if (kind_ == Kind::Backup || chosen.isEmpty() || engine::Database::IsPath(chosen)) {
        showConnection(QString());
        return;
    }
    if (chosen == triedName_) return;  // tried already: a server that does not answer keeps the window waiting
    {
        BusyCursor busy;
        triedWhy_ = WhyNotOpened(chosen);
    }
    triedName_ = chosen;
    showConnection(triedWhy_.isEmpty() ? QStringLiteral("Kết nối được") : triedWhy_);
}

// A server's data: reached, holding the tables of its kind, with its reference data beside it.
QString frmchondulieu::serverRefusal(const QString& chosen)
{
    BusyCursor busy;
    // A server found unreachable by the try a moment ago is not waited for again; the next
    // choice asks it anew.
    const QString why = chosen == triedName_ && !triedWhy_.isEmpty() ? triedWhy_ : WhyNotOpened(chosen);
    triedName_.clear();
    triedWhy_.clear();
    showConnection(why.isEmpty() ? QStringLiteral("Kết nối được") : why);
    if (!why.isEmpty()) return QStringLiteral("Không dùng được dữ liệu vừa chọn trên máy chủ! ") + kCRLF + why;
    if (!KiemtraMDB(chosen, kind_ == Kind::Documents ? QStringLiteral("zeltcv") : QStringLiteral("zeltlich"), app_.MsgText, {}))
        return QStringLiteral("File dữ liệu vừa chọn bị lỗi, không sử dụng được. ");
    const QString ref = RefFileFor(chosen);
    const QString refWhy = WhyNotOpened(ref);
    if (!refWhy.isEmpty())
        return QStringLiteral("Không dùng được dữ liệu tham khảo ") + ref + QStringLiteral(" trên máy chủ! ") + kCRLF + refWhy;
    if (!KiemtraMDB(ref, QStringLiteral("zelttk"), app_.MsgText, {}))
        return QStringLiteral("File tham khảo zelttk.mdb ứng với file dữ liệu vừa chọn bị lỗi, không sử dụng được. ");
    return QString();
}

QString frmchondulieu::backupRefusal(QString& chosen)
{
    // The backup is the clerk's own copy, readable without any server.
    if (!engine::Database::IsPath(chosen))
        return QStringLiteral("File backup phải là một file .MDB trên máy tính hoặc thư mục mạng, không phải dữ liệu trên máy chủ. ");
    if (PathExists(chosen).isEmpty()) {
        chosen = withoutBlanks(chosen);
        if (!chosen.trimmed().toLower().endsWith(QLatin1String(".mdb")))
            return QStringLiteral("Cần thêm phần đuôi của tên file backup là .MDB ");
    }
    // The backup writes every document row into this file: never into a file the program uses.
    const QString inUse[] = {app_.DocFile, app_.DocRefFile, app_.PlanFile, app_.PlanRefFile, app_.LocalRefFile, app_.TempFile, app_.TemplateFile};
    for (const QString& file : inUse)
        if (!file.trimmed().isEmpty() && SameFile(chosen, file))
            return QStringLiteral("File backup vừa chọn là file dữ liệu đang dùng (") + file +
                   QStringLiteral("), không dùng làm file backup được! ");
    const QFileInfo folder(FolderOf(chosen));
    if (FolderOf(chosen).isEmpty() || folder.isRelative() || !folder.isDir())
        return QStringLiteral("Không tìm thấy thư mục ") + FolderOf(chosen) + QStringLiteral(" để chứa file backup! ");
    if (!folder.isWritable())
        return QStringLiteral("Không ghi được vào thư mục ") + FolderOf(chosen) + QStringLiteral(" để chứa file backup! ");
    if (!PathExists(chosen).isEmpty() && !KiemtraMDB(chosen, QStringLiteral("zeltcv"), app_.MsgText, {}))
        return QStringLiteral("File backup vừa chọn bị lỗi, không sử dụng được. ");
    return QString();
}

QString frmchondulieu::refusal(QString& chosen)
{
    if (kind_ != Kind::Backup &&
        (chosen.compare(filedangdung->text(), Qt::CaseInsensitive) == 0 || SameFile(chosen, filedangdung->text())))
        return QStringLiteral("File dữ liệu vừa chọn chính là file đang dùng ! (") + chosen + QStringLiteral(").");
    if (kind_ == Kind::Backup) return backupRefusal(chosen);
    const ShowMessage show = [this](const QString& text) { app_.Message(text); };
    if (!engine::Database::IsPath(chosen)) {
        if (const QString refused = serverRefusal(chosen); !refused.isEmpty()) return refused;
    } else if (const QString refused = fileRefusal(chosen, show); !refused.isEmpty()) {
        return refused;
    }
    return yearAndLogin(chosen);
}

QString frmchondulieu::fileRefusal(const QString& chosen, const ShowMessage& show)
{
    if (PathExists(chosen).isEmpty())
        return QStringLiteral("Không tìm thấy file dữ liệu vừa chọn! ") + kCRLF +
               QStringLiteral("Cần dùng chức năng 'Tìm file mới' để tìm file dữ liệu định dùng!");
    // The template and the scratch file are the program's own: they are never a data file in use.
    const bool own = SameFile(chosen, app_.TemplateFile) || SameFile(chosen, app_.TempFile);
    if (own || !KiemtraMDB(chosen, kind_ == Kind::Documents ? QStringLiteral("zeltcv") : QStringLiteral("zeltlich"), app_.MsgText, show))
        return QStringLiteral("File dữ liệu vừa chọn bị lỗi, không sử dụng được. ");
    if (PathExists(RefFileFor(chosen)).isEmpty())
        return QStringLiteral("Không tìm thấy file tham khảo zelttk.mdb trong thư mục ") + FolderOf(chosen) + QStringLiteral(" !") + kCRLF +
               QStringLiteral("Các danh sách tham khảo của file dữ liệu nằm ở file này: cần chép file zelttk.mdb vào cùng thư mục "
                              "với file dữ liệu rồi chọn lại.");
    if (!KiemtraMDB(RefFileFor(chosen), QStringLiteral("zelttk"), app_.MsgText, show))
        return QStringLiteral("File tham khảo zelttk.mdb ứng với file dữ liệu vừa chọn bị lỗi, không sử dụng được. ");
    return QString();
}

QString frmchondulieu::yearAndLogin(const QString& chosen)
{
    // A file without the working year's tables gets them at once when the clerk agrees.
    bool hasYear = true;
    try {
        engine::Database probe(chosen, engine::Database::Access::ReadOnly);
        hasYear = TableExists(kind_ == Kind::Documents ? app_.InDocTable : app_.CalendarTable, probe);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        return QStringLiteral("File dữ liệu vừa chọn bị lỗi, không sử dụng được. ");
    }
    if (!hasYear &&
        app_.Message(QStringLiteral("File dữ liệu vừa chọn chưa có các bảng dữ liệu năm ") + app_.WorkYear + QStringLiteral(".") + kCR +
                         QStringLiteral("Có tạo các bảng dữ liệu năm ") + app_.WorkYear + QStringLiteral(" trong file này không ?"),
                     QStringLiteral("yesno")) != QLatin1String("yes"))
        return QStringLiteral("Chưa dùng file dữ liệu vừa chọn: file chưa có các bảng dữ liệu năm ") + app_.WorkYear + QStringLiteral(".");
    if (kind_ != Kind::Plans) return QString();

    // The users live in the plan reference file: the user logs in again against the new one.
    app_.PlanRefFile = RefFileFor(chosen);
    app_.UserFullName.clear();
    app_.UserRights.clear();
    app_.MsgText.clear();
    {
        frmlogin login(app_, QStringLiteral("ktranguoidung"), this);
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        app_.modal().runModal(login);
        QApplication::restoreOverrideCursor();
    }
    if (app_.UserRights.isEmpty() || app_.MsgText == QLatin1String("thoi")) {
        app_.UserFullName = savedUserFullName_;
        app_.UserRights = savedUserRights_;
        app_.PlanRefFile = savedPlanRefFile_;
        return QStringLiteral("Phải hỏi người quản trị mạng để có quyền sử dụng file dữ liệu vừa chọn!");
    }
    return QString();
}

bool frmchondulieu::Accept()
{
    app_.MsgText.clear();
    QString chosen = filechon->text().trimmed();
    if (chosen.isEmpty()) return false;
    savedUserFullName_ = app_.UserFullName;
    savedUserRights_ = app_.UserRights;
    savedPlanRefFile_ = app_.PlanRefFile;
    const QString refused = refusal(chosen);
    if (!refused.isEmpty()) {
        app_.Message(refused);
        return false;
    }
    // No window may outlive the files it reads: each finishes its work and goes first. A clerk
    // who goes on with a record keeps the files as they are.
    if (kind_ != Kind::Backup && !app_.CloseDataWindows()) {
        app_.UserFullName = savedUserFullName_;
        app_.UserRights = savedUserRights_;
        app_.PlanRefFile = savedPlanRefFile_;
        app_.Message(QStringLiteral("Cần nạp, sửa xong bản ghi đang mở trước khi chọn file dữ liệu khác !"));
        return false;
    }
    return switchTo(chosen);
}

bool frmchondulieu::switchTo(const QString& chosen)
{
    // Everything the switch replaces, to be put back when it fails. The previous databases stay
    // open until the new ones are in use, so that a failure goes back to them as they were.
    const QString oldDocFile = app_.DocFile, oldDocRefFile = app_.DocRefFile, oldPlanFile = app_.PlanFile;
    const QString oldBackupFile = app_.BackupFile, oldWorkYear = app_.WorkYear;
    const bool documents = kind_ == Kind::Documents;
    auto& db = documents ? app_.DocDb : app_.PlanDb;
    auto& refDb = documents ? app_.DocRefDb : app_.PlanRefDb;
    std::unique_ptr<engine::Database> oldDb, oldRefDb;
    const QString list = app_.DataFile(listName(kind_));
    const std::optional<QByteArray> oldList = readBytes(list);
    frmMain* main = mainWindow(app_);

    QString reason;
    try {
        BusyCursor busy;
        if (kind_ == Kind::Backup) {
            // The backup file is made now, so that what the clerk is told was chosen exists.
            app_.BackupFile = chosen;
            if (PathExists(chosen).isEmpty()) {
                BackupRegister(app_, QStringLiteral("cvden"));
                if (PathExists(chosen).isEmpty()) throw SwitchFailed{QStringLiteral("Không tạo được file backup ") + chosen};
            }
        } else {
            const QString refFile = RefFileFor(chosen);
            auto newDb = std::make_unique<engine::Database>(chosen);
            auto newRefDb = std::make_unique<engine::Database>(refFile);
            oldDb = std::exchange(db, std::move(newDb));
            oldRefDb = std::exchange(refDb, std::move(newRefDb));
            (documents ? app_.DocFile : app_.PlanFile) = chosen;
            (documents ? app_.DocRefFile : app_.PlanRefFile) = refFile;

            // The working year's tables in the new file, made when it has none (the clerk agreed).
            if (!OpenYearTables(app_))
                throw SwitchFailed{QStringLiteral("Không tạo được các bảng dữ liệu năm ") + app_.WorkYear + QStringLiteral(" trong file ") + chosen};
            OpenReferenceLists(app_);

            QString readOnly;
            ClearReadOnly(list, readOnly, {});
            QStringList previous;
            for (int k = 0; k < List1->count(); ++k) previous.append(List1->item(k)->text());
            if (!writeUsedFiles(list, chosen, previous)) throw SwitchFailed{QStringLiteral("Không ghi được file ") + list};
        }
        if (!app_.WriteSettings()) throw SwitchFailed{QStringLiteral("Không ghi được file ") + app_.DataFile(QStringLiteral("sysmem"))};
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        reason = e.description();
        if (reason.isEmpty()) reason = QStringLiteral("Không mở được file ") + chosen;
    } catch (const SwitchFailed& f) {
        reason = f.reason;
    }

    if (!reason.isEmpty()) {
        // The previous files, databases, lists, year and user are in use again.
        app_.UserFullName = savedUserFullName_;
        app_.UserRights = savedUserRights_;
        app_.DocFile = oldDocFile;
        app_.DocRefFile = oldDocRefFile;
        app_.PlanFile = oldPlanFile;
        app_.PlanRefFile = savedPlanRefFile_;
        app_.BackupFile = oldBackupFile;
        app_.WorkYear = oldWorkYear;
        app_.SetYearTables();
        if (oldDb) db = std::move(oldDb);
        if (oldRefDb) refDb = std::move(oldRefDb);
        if (kind_ != Kind::Backup) {
            restoreBytes(list, oldList);
            try {
                OpenReferenceLists(app_);
            } catch (const engine::DbError& e) {
                app_.RecordFailure(e);
            }
        }
        app_.WriteSettings();
        if (main) {
            main->SetLabels();
            main->SetEntryButtons();
        }
        app_.Message((kind_ == Kind::Backup ? QStringLiteral("Có lỗi khi đang tạo file backup. Cần thực hiện lại việc này! ")
                                            : QStringLiteral("Có lỗi khi đang thay đổi file dữ liệu. Cần thực hiện lại việc này! ")) +
                     kCR + reason);
        return false;
    }

    oldDb.reset();  // no window reads them any more
    oldRefDb.reset();
    if (main) {
        main->SetLabels();
        main->SetEntryButtons();
        main->repaint();
    }
    app_.Message(kind_ == Kind::Backup ? QStringLiteral("Đã chọn file backup là ") + app_.BackupFile
                                       : QStringLiteral("Đã sử dụng file dữ liệu ") + kCRLF + chosen);
    accept();
    return true;
}

void ChooseDataFile(App& app)
{
    const QString mode = app.ChooserMode.toLower();
    frmchondulieu::Kind kind;
    if (mode == QLatin1String("chonfiledulieucongvan")) kind = frmchondulieu::Kind::Documents;
    else if (mode == QLatin1String("chonfiledulieulich")) kind = frmchondulieu::Kind::Plans;
    else if (mode == QLatin1String("chonfiledulieubackup")) kind = frmchondulieu::Kind::Backup;
    else return;
    frmchondulieu window(app, kind, mainWindow(app));
    app.modal().runModal(window);
}

void InstallDataFileChooser(App& app) { app.Openers[QStringLiteral("chooser")] = ChooseDataFile; }

}  // namespace korvane
