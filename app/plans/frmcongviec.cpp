#include "frmcongviec.h"

#include "app.h"
#include "frmtxt.h"
#include "planfields.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvane {

frmcongviec::frmcongviec(App& app, QWidget* mainWindow)
    : RecordForm(app, mainWindow),
      plan_(std::make_unique<PlanFields>(app, this, Data1,
                                         PlanFields::Names{"txtban", "txtphong", "txtchidao", "txtykien", "chkkhan", "chkketthuc",
                                                           QStringLiteral("Là công việc khẩn"), QStringLiteral("Là công việc đã hoàn thành")})),
      txtid(plan_->id), txtban(plan_->unit), txtphong(plan_->department), txtndungtt(plan_->summary), txtloai(plan_->type),
      Txttgianbdau(plan_->start), txttgianbdauchuan(plan_->startNormal), Txttgiankthuc(plan_->end), txttgiankthucchuan(plan_->endNormal),
      txtchidao(plan_->director), txtykien(plan_->direction), txtcanbo(plan_->officers), mngaycapnhat(plan_->savedOn),
      mngaycapnhatchuan(plan_->savedOnNormal), mnguoicapnhat(plan_->savedBy), txtndungct(plan_->detail), txtketqua(plan_->result),
      chkkhan(plan_->urgent), chkketthuc(plan_->finished), DBCombodonvi(plan_->unitList), DBCombophong(plan_->departmentList)
{
    setObjectName(QStringLiteral("frmcongviec"));
    setWindowTitle(QStringLiteral("Chương trình, kế hoạch công tác"));
    modes_ = {QStringLiteral("xemkehoach"), QStringLiteral("napkehoach"), QStringLiteral("suakehoach"),
              QStringLiteral("Xem công việc"), QStringLiteral("Nạp công việc"), QStringLiteral("sửa nội dung công việc")};
    searchWindow_ = QStringLiteral("frmtracuukh");
    searchMode_ = QStringLiteral("timkiemkehoach");
    searchRefused_.adding = QStringLiteral("Bạn phải nạp xong mới có thể tìm kiếm được !");
    deleteRefused_.adding = QStringLiteral("Bạn phải nạp xong mới xoá được !");
    dataErrorText_ = QStringLiteral("Data error event hit err:");

    DBComboloai = plan_->typeList;
    txtiddonvi = line("iddonvi", 0);
    txtiddonvi->setObjectName(QStringLiteral("txtiddonvi"));
    txtidbophan = line("idbophan", 0);
    txtidbophan->setObjectName(QStringLiteral("txtidbophan"));
    txtiddonvi->hide();
    txtidbophan->hide();

    savedRows(plan_.get());
    editable_ << chkkhan << chkketthuc;
    carryColumns_ = PlanFields::TextColumns();
    homeField_ = requiredFocus_ = correctFocus_ = notNowFocus_ = txtndungtt;
    dropLists_ = {{txtban, DBCombodonvi}, {txtphong, DBCombophong}, {txtloai, DBComboloai}};
    lblhuongdan->setText(QStringLiteral("Hướng dẫn : F4 : xoá cả ô    F5: tự điền ngày    F6 : Sao chép nội dung trang trước   "
                                        "PgUp, Pgdn : chuyển trang "));

    cmdDelete = button("cmdDelete", QStringLiteral("&Xoá"));
    cmdGrid = button("cmdGrid", QStringLiteral("&Bảng"));
    cmdxemct = button("cmdxemct", QStringLiteral("Phóng to"));
    viewingOnly_ = {cmdGrid, cmdclose};
    connect(cmdGrid, &QPushButton::clicked, this, &frmcongviec::ShowList);
    connect(cmdxemct, &QPushButton::clicked, this, &frmcongviec::Zoom);
    // A unit or department picked from its list fills its box and the hidden id.
    for (auto [list, box, id] : {std::tuple{DBCombodonvi, txtban, txtiddonvi}, std::tuple{DBCombophong, txtphong, txtidbophan}})
        connect(list, &DBCombo::ListClicked, this, [this, list, box, id](const QString& name) {
            if (!editing()) return;
            box->setText(name);
            id->setText(list->currentData().toString());
            txtndungtt->setFocus();
        });

    // A pick list's arrow beside the box it fills.
    auto withList = [](QWidget* box, DBCombo* list) {
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(box);
        pair->addWidget(list);
        return pair;
    };
    FieldGrid fields(this);
    fields.add(QStringLiteral("Mã số công việc"), txtid).add(QStringLiteral("Loại công việc"), txtloai, withList(txtloai, DBComboloai), 2).next();
    fields.add(QStringLiteral("Ban, đơn vị"), txtban, withList(txtban, DBCombodonvi))
        .add(QStringLiteral("Phòng, bộ phận"), txtphong, withList(txtphong, DBCombophong), 2)
        .next();
    fields.add(QStringLiteral("Tên hoặc tóm tắt nội dung công việc"), txtndungtt, 0, 3).next();
    fields.add(QStringLiteral("Nội dung chi tiết"), txtndungct, 0, 3).next();
    fields.add(QStringLiteral("Thời gian bắt đầu"), Txttgianbdau).add(QStringLiteral("Thời gian kết thúc"), Txttgiankthuc, 2).next();
    fields.add(QStringLiteral("Người chỉ đạo"), txtchidao).add(QStringLiteral("T.tắt ý kiến chỉ đạo"), txtykien, 2).next();
    fields.add(QStringLiteral("Cán bộ thực hiện"), txtcanbo, 0, 3).next();
    fields.add(QStringLiteral("Kết quả thực hiện"), txtketqua, 0, 3).next();
    fields.layout->addWidget(chkkhan, fields.row, 1);
    fields.layout->addWidget(chkketthuc, fields.row, 3);
    finishLayout(fields.layout, {cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdGrid, Cmdtracuu, cmdxemct, cmdclose},
                 {txtban, txtphong, txtloai, txtndungtt, txtndungct, Txttgianbdau, Txttgiankthuc, txtchidao, txtykien, txtcanbo,
                  txtketqua, chkkhan, chkketthuc});
    resize(820, 620);
}

frmcongviec::~frmcongviec() = default;

frmcongviec* frmcongviec::Open(App& app) { return ShowRegister<frmcongviec>(app, QStringLiteral("frmcongviec"), app.PlanDb.get(), app.PlanTable); }

frmcongviec* frmcongviec::Find(App& app) { return app.Owner().Find<frmcongviec>(QStringLiteral("frmcongviec")); }

// ---- What plans add to the record form -------------------------------------------------------

void frmcongviec::newRecordDefaults()
{
    for (auto [box, column] : {std::pair{txtban, "Tendonvi"}, std::pair{txtphong, "bophan"}, std::pair{txtloai, "loai"}}) {
        const auto it = carry().find(QLatin1String(column));
        box->setText(it == carry().end() ? QString() : it->second);
    }
}

void frmcongviec::openLists() { plan_->OpenLists(table_); }

void frmcongviec::saved(bool, bool) { plan_->ReadTypes(table_); }  // a new type is offered at once

void frmcongviec::typeChosen(const QString& type)
{
    txtloai->setText(type);
    txtndungtt->setFocus();
}

// ---- The ways to other windows -------------------------------------------------------------

void frmcongviec::ShowList()
{
    if (editing()) return;
    Data1->Requery();
    handOver(QStringLiteral("frmgridcongviec"), QStringLiteral("xembangkehoach"));
}

void frmcongviec::Zoom()
{
    // While viewing the enlarged text can only be read: a change would bypass the save.
    auto* zoom = app_.Owner().Get<frmtxt>(QStringLiteral("frmtxt"));
    zoom->Edit(txtndungct->toPlainText(), editing() && !txtndungct->isReadOnly(), [this](const QString* changed) {
        if (changed) txtndungct->setPlainText(*changed);
        show();
        txtndungct->setFocus();
    });
    hide();
    zoom->show();
    zoom->Text1->setFocus();
}

}  // namespace korvane
