#include "frmcvden.h"

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

namespace korvane {

frmcvden::frmcvden(App& app, QWidget* mainWindow) : RecordForm(app, mainWindow)
{
    setObjectName(QStringLiteral("frmcvden"));
    setWindowTitle(QStringLiteral("Công văn đến"));
    modes_ = {QStringLiteral("xemcv"), QStringLiteral("napcv"), QStringLiteral("suacv"),
              QStringLiteral("Xem công văn đến"), QStringLiteral("Nạp công văn đến"), QStringLiteral("sửa công văn đang xem")};
    cmdsuasocvden = button("cmdsuasocvden", QStringLiteral("Số mới"));
    numbered(cmdsuasocvden);
    searchWindow_ = QStringLiteral("frmtracuucvden");

    mng_den = line("ng_den", 10);
    mng_denchuan = line("ng_denchuan", 0);
    mnoigui = line("noigui", 100);
    mso_cv = line("so_cv", 50);
    mng_cv = line("ng_cv", 10);
    mng_cvchuan = line("ng_cvchuan", 0);
    mloai = line("loai", 50);
    mdv_nhan = line("dv_nhan", 150);
    mcd_dang = line("cd_dang", 10);
    mmat = line("mat", 20);
    mtt_ndung = text("tt_ndung", 255);
    mtt_ndung->setFixedHeight(70);
    Checkdaxuly = new BoundCheckBox(QStringLiteral("da_xuli"), QStringLiteral("Đã xử lý xong"), this);
    Checkdaxuly->setObjectName(QStringLiteral("Checkdaxuly"));
    Data1->Bind(Checkdaxuly);
    for (QWidget* hidden : {static_cast<QWidget*>(mng_denchuan), static_cast<QWidget*>(mng_cvchuan)}) hidden->hide();
    DBGridnoigui = pickGrid("DBGridnoigui");
    DBGriddv_nhan = pickGrid("DBGriddv_nhan");

    editable_ = {mng_cv, mng_den, mnoigui, mso_cv, mloai, mdv_nhan, mcd_dang, mmat, mtt_ndung, Checkdaxuly};
    required_ = {{mng_den, QStringLiteral("Ngày đến")},
                 {mnoigui, QStringLiteral("nơi gửi")},
                 {mdv_nhan, QStringLiteral("nơi nhận")},
                 {mtt_ndung, QStringLiteral("tóm tắt nội dung")}};
    // The "dealt with" tick counts as a change too: ticking it alone is a correction.
    changeColumns_ = {QStringLiteral("stt"),   QStringLiteral("cd_dang"), QStringLiteral("dv_nhan"), QStringLiteral("loai"),
                      QStringLiteral("mat"),   QStringLiteral("ng_cv"),   QStringLiteral("ng_den"),  QStringLiteral("noigui"),
                      QStringLiteral("so_cv"), QStringLiteral("tt_ndung"), QStringLiteral("da_xuli")};
    carryColumns_ = {QStringLiteral("ng_den"), QStringLiteral("noigui"),  QStringLiteral("so_cv"),
                     QStringLiteral("ng_cv"),  QStringLiteral("loai"),    QStringLiteral("dv_nhan"),
                     QStringLiteral("cd_dang"), QStringLiteral("mat"),    QStringLiteral("tt_ndung")};
    homeField_ = requiredFocus_ = notNowFocus_ = mcd_dang;
    correctFocus_ = mso_cv;
    dates_ = {{mng_den, mng_denchuan}, {mng_cv, mng_cvchuan}};
    dateMessage_ = QStringLiteral("Cần nhập lại ngày tháng năm cho đúng!");
    auto abbreviations = [this] { return app_.AbbreviationList.get(); };
    expansions_ = {{mtt_ndung, abbreviations, QStringLiteral("chudu"), true, true},
                   {mng_den, abbreviations, QStringLiteral("chudu"), true, false},
                   {mng_cv, abbreviations, QStringLiteral("chudu"), true, false},
                   {mmat, abbreviations, QStringLiteral("chudu"), true, false},
                   {mloai, [this] { return Types(); }, QStringLiteral("loai"), true, true},
                   {mdv_nhan, [this] { return Units(); }, QStringLiteral("tendonvi"), true, true},
                   {mnoigui, [this] { return Senders(); }, QStringLiteral("tendonvi"), true, true}};
    // Several units are picked one after another; a sender is one, and the clerk goes on.
    picks_ = {{DBGriddv_nhan, true, mdv_nhan, nullptr, true}, {DBGridnoigui, false, mnoigui, mso_cv, false}};

    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(mloai, 3);
    typeRow->addWidget(DBComboloai, 2);
    FieldGrid fields(this);
    fields.add(QStringLiteral("Đánh số CV đến"), mstt).add(QStringLiteral("Ngày đến cơ quan"), mng_den, 2).next();
    fields.add(QStringLiteral("Đảng,NN / Công đoàn"), mcd_dang).add(QStringLiteral("Loại công văn"), mloai, typeRow, 2).next();
    fields.add(QStringLiteral("Nơi gửi"), mnoigui, 0, 3).next();
    fields.add(QStringLiteral("Số công văn"), mso_cv).add(QStringLiteral("Ngày công văn"), mng_cv, 2).next();
    fields.add(QStringLiteral("Tóm tắt nội dung công văn"), mtt_ndung, 0, 3).next();
    fields.add(QStringLiteral("Nơi nhận công văn"), mdv_nhan, 0, 3).next();
    fields.add(QStringLiteral("Độ mật"), mmat).layout->addWidget(Checkdaxuly, fields.row, 3);
    finishLayout(fields.layout, {cmdAdd, Cmdsua, cmdUpdate, cmdsuasocvden, Cmdtracuu, Cmdin, cmdclose}, {mng_den, mcd_dang, mloai, mnoigui, mso_cv, mng_cv, mtt_ndung, mdv_nhan, mmat, Checkdaxuly});
    resize(760, 560);
}

frmcvden* frmcvden::Open(App& app) { return ShowRegister<frmcvden>(app, QStringLiteral("frmcvden"), app.DocDb.get(), app.InDocTable); }

void frmcvden::rememberLast(bool hasLast)
{
    lastNumber_ = 0;
    proposalBase_ = 0;
    if (!hasLast) return;
    lastNumber_ = qRound64(engine::leadingNumber(Data1->Value(QStringLiteral("stt")).toString().toStdString()));
    proposalBase_ = Data1->Value(QStringLiteral("id")).toLongLong();
}

void frmcvden::newRecordDefaults()
{
    mstt->load(QString::number(lastNumber_ + 1));
    mng_den->load(DisplayDate(app_.Today(), app_.Months));
    mng_denchuan->load(NormalDate(mng_den->text()));
    mcd_dang->load(carry().count(QStringLiteral("cd_dang")) ? carry().at(QStringLiteral("cd_dang")) : QString());
    mloai->load(carry().count(QStringLiteral("loai")) ? carry().at(QStringLiteral("loai")) : QString());
}

void frmcvden::saved(bool added, bool numberProposed)
{
    if (added && numberProposed) keepNumberUnique();
}

bool frmcvden::registerKey(QWidget* field, int code, bool)
{
    if (code != KeyF1 + 4 || field != mcd_dang) return false;
    mcd_dang->setText(mcd_dang->text() == QStringLiteral("Công đoàn") ? QStringLiteral("Đảng,NN") : QStringLiteral("Công đoàn"));
    mloai->setFocus();
    return true;
}

void frmcvden::typeChosen(const QString& type)
{
    mloai->setText(type);
    mnoigui->setFocus();
}

void frmcvden::openPrint() { frmincv::Show(app_, QStringLiteral("frmcvden"), mng_den->text()); }

void frmcvden::closing() { BackupRegister(app_, QStringLiteral("cvden")); }

void frmcvden::keepNumberUnique()
{
    // The number "Nạp mới" proposed may have gone to another clerk's document saved since the
    // proposal. Checked in one write transaction, so that no other clerk saves in between: this
    // document then takes the next number after the last one of the register, and the clerk is told.
    const QString number = mstt->text().trimmed();
    const qlonglong id = Data1->Value(QStringLiteral("id")).toLongLong();
    engine::Database& doc = *Data1->Database;
    const QString table = app_.InDocTable;
    QString renumbered;
    try {
        doc.WriteTransaction([&] {
            auto takenSince = [&](const QString& n) {
                auto rs = doc.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM %1 WHERE id > %2 AND id <> %3 AND stt = '%4'")
                                                .arg(table)
                                                .arg(proposalBase_)
                                                .arg(id)
                                                .arg(engine::escapeQuotes(n)),
                                            engine::RecordsetType::Snapshot);
                return rs->Field(QStringLiteral("n")).toLongLong() > 0;
            };
            if (!takenSince(number)) return;
            auto last = doc.OpenRecordset(QStringLiteral("SELECT stt FROM %1 WHERE id <> %2 ORDER BY id DESC LIMIT 1").arg(table).arg(id),
                                          engine::RecordsetType::Snapshot);
            qint64 next = qRound64(engine::leadingNumber(last->Field(QStringLiteral("stt")).toString().toStdString())) + 1;
            next = std::max(next, qRound64(engine::leadingNumber(number.toStdString())) + 1);
            while (takenSince(QString::number(next))) ++next;
            renumbered = QString::number(next);
            doc.Execute(QStringLiteral("UPDATE %1 SET stt = '%2' WHERE id = %3").arg(table, renumbered).arg(id));
        });
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        dataError(e.description());
        return;
    }
    if (renumbered.isEmpty()) return;
    mstt->load(renumbered);
    app_.Message(QStringLiteral("Số ") + number + QStringLiteral(" vừa được dùng cho một công văn khác. Công văn này được ghi với số ") +
                 renumbered + QStringLiteral(" !"));
}

}  // namespace korvane
