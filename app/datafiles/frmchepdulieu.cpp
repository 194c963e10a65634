#include "frmchepdulieu.h"

#include "app.h"
#include "database.h"
#include "formkit.h"
#include "officecopy.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kCRLF = QStringLiteral("\r\n");

OfficeFiles officeInUse(const App& app) { return {app.DocFile, app.PlanFile, app.DocRefFile}; }

}  // namespace

frmchepdulieu::frmchepdulieu(App& app, QWidget* parent) : QDialog(parent), app_(app)
{
    setObjectName(QStringLiteral("frmchepdulieu"));
    setWindowTitle(QStringLiteral("Chép dữ liệu"));
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setWordWrap(true);
        return l;
    };
    lbltieude = NewHeading(this, QStringLiteral("Chép toàn bộ dữ liệu lên máy chủ hoặc về thư mục"));
    lbltieude->setWordWrap(true);
    const OfficeFiles from = officeInUse(app_);
    lblnguon = label("lblnguon", QStringLiteral("Dữ liệu đang dùng:") + QLatin1Char('\n') + from.all().join(QLatin1Char('\n')));
    Label1 = label("Label1", QStringLiteral("Chép sang (địa chỉ máy chủ như postgresql://maychu/vanphong, hoặc thư mục chưa có dữ liệu):"));
    noinhan = new QLineEdit(this);
    noinhan->setObjectName(QStringLiteral("noinhan"));
    Label1->setBuddy(noinhan);
    tiendo = new QProgressBar(this);
    tiendo->setObjectName(QStringLiteral("tiendo"));
    tiendo->setRange(0, 1);
    tiendo->setValue(0);
    lblbuoc = label("lblbuoc", QString());
    cmdchep = NamedButton(this, "cmdchep", QStringLiteral("&Chép"));
    cmddong = NamedButton(this, "cmddong", QStringLiteral("Đó&ng"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdchep);
    buttons->addWidget(cmddong);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltieude);
    layout->addWidget(lblnguon);
    layout->addWidget(Label1);
    layout->addWidget(noinhan);
    layout->addWidget(tiendo);
    layout->addWidget(lblbuoc);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(cmdchep, &QPushButton::clicked, this, [this] { Copy(); });
    connect(cmddong, &QPushButton::clicked, this, &QDialog::reject);
    noinhan->setFocus();
    resize(620, 320);
}

bool frmchepdulieu::Copy()
{
    const QString place = noinhan->text().trimmed();
    if (place.isEmpty()) {
        app_.Message(QStringLiteral("Cần ghi địa chỉ máy chủ hoặc thư mục nhận dữ liệu!"));
        noinhan->setFocus();
        return false;
    }
    const bool toServer = !engine::Database::IsPath(place);
    if (!toServer && QDir::isRelativePath(place)) {
        app_.Message(QStringLiteral("Cần ghi đường dẫn đầy đủ của thư mục nhận dữ liệu!"));
        noinhan->setFocus();
        return false;
    }
    if (app_.Message(QStringLiteral("Chép toàn bộ dữ liệu đang dùng (các năm, danh sách tham khảo, người dùng) sang ") + place +
                         QStringLiteral(" ?") + QLatin1Char('\r') +
                         QStringLiteral("Những người khác cần đóng chương trình trong khi chép: việc họ ghi lúc đó không có trong bản chép."),
                     QStringLiteral("yesno")) != QLatin1String("yes"))
        return false;
    cmdchep->setEnabled(false);
    cmddong->setEnabled(false);
    noinhan->setReadOnly(true);
    CopyOutcome outcome;
    {
        BusyCursor busy;
        outcome = CopyOfficeInto(officeInUse(app_), place, [this](const QString& step, int done, int total) {
            tiendo->setRange(0, total);
            tiendo->setValue(done);
            lblbuoc->setText(step);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    }
    cmdchep->setEnabled(true);
    cmddong->setEnabled(true);
    noinhan->setReadOnly(false);
    lblbuoc->setText(outcome.done ? QStringLiteral("Đã chép xong") : QStringLiteral("Chưa chép được"));
    app_.Message(outcome.text);
    return outcome.done;
}

void InstallOfficeCopy(App& app)
{
    app.Openers[QStringLiteral("mnuchepdulieu")] = [](App& a) {
        frmchepdulieu window(a, QApplication::activeWindow());
        a.modal().runModal(window);
    };
}

}  // namespace korvane
