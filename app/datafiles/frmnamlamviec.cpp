#include "frmnamlamviec.h"

#include "app.h"
#include "datafiles.h"
#include "frmmain.h"
#include "startup.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <set>

namespace korvane {

frmnamlamviec::frmnamlamviec(App& app, QWidget* parent) : QDialog(parent), app_(app)
{
    setObjectName(QStringLiteral("frmnamlamviec"));
    setWindowTitle(QStringLiteral("Chọn năm làm việc"));
    Label1 = new QLabel(QStringLiteral("Chọn năm làm việc"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    Label1->setFont(heading);
    Label1->setAlignment(Qt::AlignCenter);
    Combonamlamviec = new QComboBox(this);
    Combonamlamviec->setObjectName(QStringLiteral("Combonamlamviec"));
    Combonamlamviec->setEditable(true);
    Combonamlamviec->setInsertPolicy(QComboBox::NoInsert);
    // Four digits at most can be typed; what is not four digits is refused when confirmed.
    Combonamlamviec->lineEdit()->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\s*\\d{0,4}\\s*")), this));
    cmdCancel = new QPushButton(QStringLiteral("&Kết thúc"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setDefault(true);

    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Năm làm việc hiện hành :"), this);
    caption->setBuddy(Combonamlamviec);
    row->addWidget(caption);
    row->addWidget(Combonamlamviec, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(row);
    layout->addLayout(buttons);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { Confirm(); });
    fillYears();
    resize(380, 150);
}

void frmnamlamviec::fillYears()
{
    // The years of the document file's registers, each once, newest first.
    std::set<QString, std::greater<>> years;
    for (const QString& table : app_.DocDb->TableNames()) {
        const QString name = table.toLower();
        if ((name.size() == 9 && name.startsWith(QLatin1String("cvden"))) || (name.size() == 8 && name.startsWith(QLatin1String("cvdi")))) {
            const QString year = name.right(4);
            if (IsWorkYear(year)) years.insert(year);
        }
    }
    Combonamlamviec->clear();
    for (const QString& y : years) Combonamlamviec->addItem(y);
    Combonamlamviec->setEditText(app_.WorkYear);
}

bool frmnamlamviec::Confirm()
{
    if (app_.TemplateBad) {
        accept();
        app_.Message(QStringLiteral("File dữ liệu gốc của chương trình ") + app_.TemplateFile +
                     QStringLiteral(" bị hỏng. Chương trình không tạo được bảng dữ liệu cho năm làm việc được chọn !") + QLatin1Char('\r') +
                     QStringLiteral("Cần khôi phục file dữ liệu gốc hoặc cài đặt lại chương trình này !"));
        return false;
    }
    // Exactly four digits within 49 years of the clock: anything else never becomes a table name.
    const QString year = Combonamlamviec->currentText().trimmed();
    if (!IsWorkYear(year) || std::abs(year.toInt() - app_.Today().year()) >= 50) {
        accept();
        app_.Message(QStringLiteral("Cần chọn lại số năm cho đúng"));
        return false;
    }
    // The windows show the previous year's tables: each finishes its work and goes first.
    if (year != app_.WorkYear && !app_.CloseDataWindows()) {
        accept();
        app_.Message(QStringLiteral("Cần nạp, sửa xong bản ghi đang mở trước khi chọn năm làm việc khác !"));
        return false;
    }
    const QString previous = app_.WorkYear;
    bool done = false;
    try {
        app_.WorkYear = year;
        done = OpenYearTables(app_) && app_.WriteSettings();
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
    accept();
    if (!done) {
        // The previous year stays, with its tables and its line in the settings file.
        app_.WorkYear = previous;
        app_.SetYearTables();
        app_.WriteSettings();
        app_.Message(QStringLiteral("Gặp lỗi khi đang chọn năm làm việc ! ") + QLatin1Char('\r') +
                     QStringLiteral("Chương trình không đặt được năm làm việc vừa chọn !"));
        return false;
    }
    if (auto* main = qobject_cast<frmMain*>(app_.Window(QStringLiteral("frmMain")))) {
        main->SetLabels();
        main->repaint();
    }
    return true;
}

void ChooseWorkYear(App& app)
{
    frmnamlamviec window(app, app.Window(QStringLiteral("frmMain")));
    app.modal().runModal(window);
}

}  // namespace korvane
