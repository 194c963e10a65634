#include "frmcvdi.h"

#include "app.h"
#include "backup.h"
#include "dates.h"
#include "frmincv.h"
#include "jetsql.h"
#include "keys.h"
#include "sqlfunctions.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <optional>

namespace korvane {

namespace {

// A whole number as the register stores it; nothing when the text does not start with one.
std::optional<qint64> numberOf(const QString& stt)
{
    const QString t = stt.trimmed();
    if (t.isEmpty() || !t.front().isDigit()) return std::nullopt;
    return qRound64(engine::leadingNumber(t.toStdString()));
}

// Only documents that carry a number count: a number cleared in the list or an imported row
// without one is passed over.
QString numberedOnly() { return QStringLiteral(" AND LTrim(stt) LIKE '[0-9]*'"); }

}  // namespace

frmcvdi::frmcvdi(App& app, QWidget* mainWindow) : RecordForm(app, mainWindow)
{
    setObjectName(QStringLiteral("frmcvdi"));
    setWindowTitle(QStringLiteral("Công văn đi"));
    modes_ = {QStringLiteral("xemcv"), QStringLiteral("napcv"), QStringLiteral("suacv"),
              QStringLiteral("Xem công văn đi"), QStringLiteral("Nạp công văn đi"), QStringLiteral("sửa công văn đang xem")};
    cmdsuasocvdi = button("cmdsuasocvdi", QStringLiteral("Số mới"));
    numbered(cmdsuasocvdi);
    searchWindow_ = QStringLiteral("frmtracuucvdi");
    numberOpenWhileEditing_ = true;

    mso_cv = line("so_cv", 50);
    mng_cv = line("ng_cv", 10);
    mng_cvchuan = line("ng_cvchuan", 0);
    mng_cvchuan->hide();
    mloai = line("loai", 50);
    mdv_nhan = line("dv_nhan", 200);
    mnoiluu = line("noiluu", 100);
    mnguoiky = line("nguoiky", 50);
    mtt_ndung = text("tt_ndung", 255);
    mtt_ndung->setFixedHeight(70);
    DBGridnoinhan = pickGrid("DBGridnoinhan");
    DBGridnoiluu = pickGrid("DBGridnoiluu");

    editable_ = {mnoiluu, mso_cv, mng_cv, mloai, mdv_nhan, mtt_ndung, mnguoiky};
    required_ = {{mdv_nhan, QStringLiteral("nơi nhận")},
                 {mnoiluu, QStringLiteral("nơi lưu")},
                 {mnguoiky, QStringLiteral("người ký")},
                 {mtt_ndung, QStringLiteral("tóm tắt nội dung")}};
    changeColumns_ = {QStringLiteral("stt"),     QStringLiteral("noiluu"), QStringLiteral("so_cv"),    QStringLiteral("ng_cv"),
                      QStringLiteral("loai"),    QStringLiteral("dv_nhan"), QStringLiteral("tt_ndung"), QStringLiteral("nguoiky")};
    carryColumns_ = {QStringLiteral("noiluu"), QStringLiteral("so_cv"),    QStringLiteral("ng_cv"),  QStringLiteral("loai"),
                     QStringLiteral("dv_nhan"), QStringLiteral("tt_ndung"), QStringLiteral("nguoiky")};
    homeField_ = mloai;
    requiredFocus_ = correctFocus_ = afterSaveFocus_ = notNowFocus_ = mso_cv;
    dates_ = {{mng_cv, mng_cvchuan}};
    dateMessage_ = QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !");
    auto abbreviations = [this] { return app_.AbbreviationList.get(); };
    expansions_ = {{mloai, [this] { return Types(); }, QStringLiteral("loai"), true, true},
                   {mdv_nhan, [this] { return Senders(); }, QStringLiteral("tendonvi"), true, true},
                   {mnoiluu, [this] { return Units(); }, QStringLiteral("tendonvi"), true, true},
                   {mnguoiky, abbreviations, QStringLiteral("chudu"), true, true},
                   {mtt_ndung, abbreviations, QStringLiteral("chudu"), true, false},
                   {mng_cv, abbreviations, QStringLiteral("chudu"), true, false}};
    // Both grids stay open for several names; Esc looks at the storage units first.
    picks_ = {{DBGridnoiluu, true, mnoiluu, nullptr, false}, {DBGridnoinhan, false, mdv_nhan, nullptr, false}};

    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(mloai, 3);
    typeRow->addWidget(DBComboloai, 2);
    FieldGrid fields(this);
    fields.add(QStringLiteral("Loại công văn"), mloai, typeRow).add(QStringLiteral("Cho số CV đi"), mstt, 2).next();
    fields.add(QStringLiteral("Số công văn"), mso_cv).add(QStringLiteral("Ngày công văn"), mng_cv, 2).next();
    fields.add(QStringLiteral("Nơi nhận"), mdv_nhan, 0, 3).next();
    fields.add(QStringLiteral("Tóm tắt nội dung công văn"), mtt_ndung, 0, 3).next();
    fields.add(QStringLiteral("Người ký"), mnguoiky).next();
    fields.add(QStringLiteral("Nơi lưu công văn"), mnoiluu, 0, 3);
    finishLayout(fields.layout, {cmdAdd, Cmdsua, cmdUpdate, cmdsuasocvdi, Cmdtracuu, Cmdin, cmdclose}, {mloai, mso_cv, mng_cv, mdv_nhan, mtt_ndung, mnguoiky, mnoiluu});
    resize(760, 540);
}

frmcvdi* frmcvdi::Open(App& app) { return ShowRegister<frmcvdi>(app, QStringLiteral("frmcvdi"), app.DocDb.get(), app.OutDocTable); }

std::optional<QString> frmcvdi::firstNumber(const QString& where, bool lastFirst)
{
    auto rs = Data1->Database->OpenRecordset(QStringLiteral("SELECT stt FROM %1 WHERE %2 ORDER BY id%3 LIMIT 1")
                                                 .arg(app_.OutDocTable, where, lastFirst ? QStringLiteral(" DESC") : QString()),
                                             engine::RecordsetType::Snapshot);
    if (rs->Eof()) return std::nullopt;
    return rs->Field(QStringLiteral("stt")).toString();
}

bool frmcvdi::Number(const QString& type)
{
    if (!editing()) return true;
    // A type is kept without blanks around it: the numbering and the saved row see the same text.
    const QString t = type.trimmed();
    if (mloai->text() != t) mloai->setText(t);
    typeOnEntry_ = t;
    try {
        // The file as it is now: another clerk's documents count from the moment they are saved.
        if (!firstNumber(QStringLiteral("id > 0"), false)) {
            mstt->setText(QStringLiteral("1"));
            return true;
        }
    } catch (const engine::DbError& e) {
        numberingFailed(e);
        return false;
    }
    if (t.isEmpty()) {
        app_.Message(QStringLiteral("Cần phải xác định loại công văn trước!") + QLatin1Char('\r') +
                     QStringLiteral("Cần chọn loại công văn từ danh sách") + QStringLiteral(" để đảm bảo việc cho số được chính xác!"));
        mloai->setFocus();
        return false;
    }
    const QString ofType = QStringLiteral("loai ='%1'").arg(engine::escapeQuotes(t)) + numberedOnly();
    const qlonglong id = Data1->Value(QStringLiteral("id")).toLongLong();
    qint64 n = 1;
    try {
        std::optional<BusyCursor> busy;
        busy.emplace();
        const bool correcting = Mode() == modes_.edit;
        // Whether the document corrected is the first of the register, as the file holds it now.
        const bool first = correcting && !firstNumber(QStringLiteral("id < %1").arg(id), true);
        std::optional<QString> before;
        if (!correcting) {
            before = firstNumber(ofType, true);
        } else if (!first) {
            before = firstNumber(ofType + QStringLiteral(" AND id < %1").arg(id), true);
        } else {
            // The first record searches back from the last one, the last one itself excluded.
            auto last = Data1->Database->OpenRecordset(QStringLiteral("SELECT id FROM %1 ORDER BY id DESC LIMIT 1").arg(app_.OutDocTable),
                                                       engine::RecordsetType::Snapshot);
            before = firstNumber(ofType + QStringLiteral(" AND id < %1").arg(last->Field(QStringLiteral("id")).toLongLong()), true);
        }
        if (before) n = numberOf(*before).value_or(0) + 1;
        // The next document of the type in the file (other clerks' among them) must not hold it.
        if (correcting && !first) {
            const auto later = firstNumber(ofType + QStringLiteral(" AND id > %1").arg(id), false);
            if (later && numberOf(*later) == n) {
                busy.reset();  // the normal pointer while the clerk reads
                app_.Message(QStringLiteral("Số công văn : ") + QString::number(n) + QStringLiteral(" cho loại '") + mloai->text() +
                             QStringLiteral("' đã được dùng !") + QStringLiteral("Không thể sửa ô Loại CV về loại này được !"));
                backToBefore();
                return false;
            }
        }
    } catch (const engine::DbError& e) {
        numberingFailed(e);
        return false;
    }
    mstt->setText(QString::number(n));
    return true;
}

void frmcvdi::numberingFailed(const engine::DbError& e)
{
    app_.RecordFailure(e);
    dataError(e.description());
    mloai->setFocus();
}

void frmcvdi::backToBefore()
{
    mloai->setText(typeBefore_);
    typeOnEntry_ = typeBefore_;
    mstt->setText(numberBefore_);
    mso_cv->setFocus();
}

QString frmcvdi::nextNumber(const QString& type, qlonglong excludeId)
{
    const QString ofType = QStringLiteral("loai ='%1' AND id <> %2").arg(engine::escapeQuotes(type.trimmed())).arg(excludeId);
    const auto last = firstNumber(ofType + numberedOnly(), true);
    qint64 n = last ? numberOf(*last).value_or(0) + 1 : 1;
    // Numbers compare as numbers: "02" holds 2.
    while (firstNumber(ofType + QStringLiteral(" AND stt = %1").arg(n), false)) ++n;
    return QString::number(n);
}

void frmcvdi::rememberLast(bool hasLast) { lastType_ = hasLast ? Data1->Value(QStringLiteral("loai")).toString() : QString(); }

void frmcvdi::newRecordDefaults()
{
    mloai->load(lastType_.trimmed().isEmpty() ? QStringLiteral("Công văn") : lastType_);
    typeOnEntry_ = mloai->text();
    mng_cv->load(DisplayDate(app_.Today(), app_.Months));
    mng_cvchuan->load(NormalDate(mng_cv->text()));
    Number(mloai->text());
}

bool frmcvdi::numberMatters() const
{
    if (Mode() != modes_.edit) return true;
    // A correction that leaves type and number as they were keeps whatever number it had.
    return mloai->text().trimmed() != typeBefore_.trimmed() || numberOf(mstt->text()) != numberOf(numberBefore_);
}

bool frmcvdi::readyToSave()
{
    if (!numberMatters() || numberOf(mstt->text())) return true;
    app_.Message(QStringLiteral("Ô \"Cho số CV đi\" chưa có số hoặc không phải là số !") + QLatin1Char('\r') +
                 QStringLiteral("Bấm F5 ở ô đó để cho số theo loại công văn, hoặc gõ số vào rồi ghi đĩa."));
    setSttEditable(true, true);
    return false;
}

std::function<void()> frmcvdi::saveCheck(bool adding)
{
    refused_.clear();
    fresh_.clear();
    // Two clerks numbering documents of one type at once: the second to save must not take the
    // first one's number.
    mloai->setText(mloai->text().trimmed());
    if (!numberMatters()) return {};
    const QString type = mloai->text();
    const auto number = numberOf(mstt->text());
    if (!number) return {};
    const qlonglong id = Data1->Value(QStringLiteral("id")).toLongLong();
    // Inside the save's write transaction no other clerk can save: a number of this type found
    // here was taken before this save. A new document is refused with the next free number; a
    // correction goes back to the type and number it had.
    return [this, type, number = *number, id, adding] {
        const QString ofType = QStringLiteral("loai ='%1' AND id <> %2").arg(engine::escapeQuotes(type)).arg(id);
        if (!firstNumber(ofType + QStringLiteral(" AND stt = %1").arg(number), false)) return;
        refused_ = QString::number(number);
        if (adding) fresh_ = nextNumber(type, id);
        throw WriteRefused{};
    };
}

void frmcvdi::saved(bool, bool) {}

void frmcvdi::writeRefused()
{
    if (refused_.isEmpty()) return;
    const QString taken = QStringLiteral("Số công văn : ") + refused_ + QStringLiteral(" cho loại '") + mloai->text() + QStringLiteral("' đã được dùng !");
    if (fresh_.isEmpty()) {
        const bool typeChanged = mloai->text().trimmed() != typeBefore_.trimmed();
        app_.Message(taken + (typeChanged ? QStringLiteral("Không thể sửa ô Loại CV về loại này được !")
                                          : QStringLiteral("Không thể sửa ô Cho số CV đi về số này được !")));
        backToBefore();
        return;
    }
    mstt->setText(fresh_);
    app_.Message(taken + QStringLiteral("Công văn này được cho số mới là ") + fresh_ + QStringLiteral(", cần xem lại ô Số công văn rồi ghi đĩa."));
    mso_cv->setFocus();
}

bool frmcvdi::registerKey(QWidget* field, int code, bool)
{
    if (code != KeyF1 + 4) return false;
    if (field == mso_cv) {
        mso_cv->setText(mstt->text().trimmed() + QLatin1Char('/'));
        mso_cv->setCursorPosition(static_cast<int>(mso_cv->text().size()));
        return true;
    }
    if (field == mstt) {
        Number(mloai->text());
        return true;
    }
    return false;
}

void frmcvdi::fieldEntered(QWidget* field)
{
    if (field == mloai) typeOnEntry_ = mloai->text();
}

bool frmcvdi::fieldLeftExtra(QWidget* field)
{
    if (field != mloai || mloai->text() == typeOnEntry_) return true;
    return Number(mloai->text());
}

void frmcvdi::typeChosen(const QString& type)
{
    const bool changed = type != mloai->text();
    mloai->setText(type);
    typeOnEntry_ = type;
    mso_cv->setFocus();
    if (changed) Number(type);
}

void frmcvdi::correctionStarted()
{
    typeBefore_ = mloai->text();
    const auto number = numberOf(mstt->text());
    numberBefore_ = number ? QString::number(*number) : mstt->text();
}

void frmcvdi::openPrint() { frmincv::Show(app_, QStringLiteral("frmcvdi"), mng_cv->text()); }

void frmcvdi::closing() { BackupRegister(app_, QStringLiteral("cvdi")); }

}  // namespace korvane
