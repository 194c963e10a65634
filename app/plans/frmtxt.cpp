#include "frmtxt.h"

#include "abbreviation.h"
#include "app.h"
#include "formkit.h"
#include "keys.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace korvane {

frmtxt::frmtxt(App& app) : QWidget(nullptr), app_(app)
{
    setObjectName(QStringLiteral("frmtxt"));
    setWindowTitle(QStringLiteral("Nội dung chi tiết"));
    setAttribute(Qt::WA_DeleteOnClose);
    Text1 = new BoundTextEdit(QStringLiteral("ndungct"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->installEventFilter(this);
    QFont f = Text1->font();
    f.setPointSizeF(f.pointSizeF() * 1.25);
    Text1->setFont(f);
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));
    connect(cmdclose, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdclose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
    resize(760, 520);
}

void frmtxt::Edit(const QString& text, bool editable, std::function<void(const QString*)> closed)
{
    original_ = text;
    closed_ = std::move(closed);
    Text1->load(text);
    Text1->setReadOnly(!editable);
}

bool frmtxt::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text1 && event->type() == QEvent::KeyRelease && !Text1->isReadOnly()) {
        const int code = KeyCodeOf(static_cast<QKeyEvent*>(event));
        if (code == KeyF1 + 3) Text1->clear();
        else if (app_.AbbreviationList) ExpandAbbreviation(Text1, code, *app_.AbbreviationList, QStringLiteral("chudu"));
    }
    return QWidget::eventFilter(watched, event);
}

void frmtxt::closeEvent(QCloseEvent* event)
{
    const QString text = Text1->toPlainText();
    if (closed_) closed_(text != original_ ? &text : nullptr);
    event->accept();
}

}  // namespace korvane
