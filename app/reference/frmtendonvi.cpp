#include "frmtendonvi.h"

#include "app.h"
#include "formkit.h"
#include "frmmain.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

frmtendonvi::frmtendonvi(App& app, QWidget* parent) : QDialog(parent), app_(app)
{
    setObjectName(QStringLiteral("frmtendonvi"));
    setWindowTitle(QStringLiteral("Tên đơn vị"));
    Label1 = new QLabel(QStringLiteral("Nhập, sửa tên đơn vị sử dụng phần mềm"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    Label1->setAlignment(Qt::AlignCenter);
    Txttendonvi = new QLineEdit(this);
    Txttendonvi->setObjectName(QStringLiteral("Txttendonvi"));
    Txttencaptren = new QLineEdit(this);
    Txttencaptren->setObjectName(QStringLiteral("Txttencaptren"));
    for (QLineEdit* box : {Txttendonvi, Txttencaptren}) {
        box->setValidator(new Tcvn3Validator(box));
        box->setMaxLength(150);  // the columns' size
    }
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Tên đơn vị"), Txttendonvi);
    form->addRow(QStringLiteral("Tên cấp trên trực tiếp"), Txttencaptren);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdclose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(form);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    connect(cmdclose, &QPushButton::clicked, this, [this] { CloseWindow(); });

    loaded_ = ShowingDataErrors(app_, [&] {
        auto rs = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from tendonvi"), engine::RecordsetType::Snapshot);
        hasRow_ = !rs->Eof();
        if (!hasRow_) return;
        Txttendonvi->setText(rs->Field(QStringLiteral("tendonvi")).toString());
        Txttencaptren->setText(rs->Field(QStringLiteral("tencaptren")).toString());
    });
    shown_ = {Txttendonvi->text(), Txttencaptren->text()};
    resize(520, 160);
}

bool frmtendonvi::CloseWindow()
{
    if (!loaded_) {  // the names could not be read: empty boxes must not overwrite them
        accept();
        ShowBack(app_, nullptr);
        return true;
    }
    QString organisation;
    const bool written = ShowingDataErrors(app_, [&] {
        auto rs = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from tendonvi"), engine::RecordsetType::Dynaset);
        hasRow_ = !rs->Eof();
        if (!hasRow_) return;  // no row to hold the names
        rs->Edit();
        try {
            rs->SetField(QStringLiteral("tendonvi"), Txttendonvi->text());
            rs->SetField(QStringLiteral("tencaptren"), Txttencaptren->text());
            rs->Update();
        } catch (const engine::DbError&) {
            rs->CancelUpdate();
            throw;
        }
        organisation = Txttendonvi->text();
    });
    if (!written) return false;  // the names are still here to try again
    if (hasRow_) {
        if (auto* main = qobject_cast<frmMain*>(app_.Window(QStringLiteral("frmMain")))) main->SetBanner(organisation);
    }
    accept();
    ShowBack(app_, nullptr);
    return true;
}

void frmtendonvi::reject()
{
    // Esc and the frame write nothing unasked: changed names are kept only on an explicit "yes",
    // dropped on "no", and no answer leaves the window open as typed.
    const bool changed = loaded_ && hasRow_ && QStringList{Txttendonvi->text(), Txttencaptren->text()} != shown_;
    if (changed) {
        const QString answer =
            app_.Message(QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"), QStringLiteral("yesno"));
        if (answer == QLatin1String("yes")) {
            CloseWindow();
            return;
        }
        if (answer != QLatin1String("no")) return;
    }
    QDialog::reject();
    ShowBack(app_, nullptr);
}

void frmtendonvi::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4) {
        if (auto* box = qobject_cast<QLineEdit*>(focusWidget())) box->clear();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace korvane
