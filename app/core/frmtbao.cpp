#include "frmtbao.h"

#include "app.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace korvane {

namespace {

constexpr double kLabelLeft = 240;
constexpr double kButtonWidth = 660, kButtonHeight = 375;

int px(double twips) { return qRound(twips / frmtbao::kTwipsPerPixel); }

// CR alone and CR LF both end a line in the messages.
QString displayText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

}  // namespace

frmtbao::frmtbao(App& app, QWidget* parent) : QDialog(parent), app_(app)
{
    setObjectName(QStringLiteral("frmtbao"));
    // Every question starts unanswered: a dialog closed by Esc or its frame answers nothing, never
    // the answer of an earlier question.
    app_.MsgResult.clear();
    setWindowTitle(QStringLiteral("Thông báo"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setWordWrap(true);
    auto button = [this](const char* name, const QString& caption, const char* result) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] {
            app_.MsgResult = QLatin1String(result);
            accept();
        });
        return b;
    };
    cmdyes = button("cmdyes", QStringLiteral("&Có"), "yes");
    cmdok = button("cmdok", QStringLiteral("&OK"), "ok");
    cmdno = button("cmdno", QStringLiteral("&Không"), "no");

    const QString mode = app_.MsgMode.toLower();
    if (mode == QLatin1String("yesno")) {
        cmdok->hide();
        cmdyes->setDefault(true);
        cmdyes->setFocus();
    } else if (mode == QLatin1String("ok")) {
        cmdyes->hide();
        cmdno->hide();
        cmdok->setDefault(true);
        cmdok->setFocus();
    } else {
        for (QPushButton* b : {cmdyes, cmdok, cmdno}) b->hide();  // a notice has nothing to answer
    }
    fit();
    saved_.clear();
}

double frmtbao::labelHeightTwips() const
{
    Label1->setText(displayText(app_.MsgText));
    return Label1->heightForWidth(px(labelWidth_)) * kTwipsPerPixel;
}

void frmtbao::fit()
{
    const QScreen* screen = QApplication::primaryScreen();
    const double screenHeight = (screen ? screen->geometry().height() : 768) * kTwipsPerPixel;
    int g = 0;
    for (;;) {
        place();
        const double h = labelHeightTwips();
        if (h < buttonTop_ - 200) {
            labelTop_ = (buttonTop_ - 200 - h) / 2;
            break;
        }
        g += 2;
        const double a = 1 + g / 10.0, b = 1 + (g - 1) / 10.0;
        height_ = 2760 * a;
        width_ = 5355 * b;
        labelWidth_ = 4860 * b;
        noLeft_ = 2790 * b;
        yesLeft_ = 1440 * b;
        okLeft_ = 2115 * b;
        buttonTop_ = 2250 * a;
        if (height_ >= 0.6 * screenHeight) {
            place();
            break;  // the largest size; the text may run under the buttons
        }
    }
    place();
}

void frmtbao::place()
{
    setFixedSize(px(width_), px(height_));
    const double h = Label1->heightForWidth(px(labelWidth_)) * kTwipsPerPixel;
    Label1->setGeometry(px(kLabelLeft), px(labelTop_), px(labelWidth_), std::max(1, px(h)));
    cmdyes->setGeometry(px(yesLeft_), px(buttonTop_), px(kButtonWidth), px(kButtonHeight));
    cmdok->setGeometry(px(okLeft_), px(buttonTop_), px(kButtonWidth), px(kButtonHeight));
    cmdno->setGeometry(px(noLeft_), px(buttonTop_), px(kButtonWidth), px(kButtonHeight));
}

void frmtbao::showText()
{
    Label1->setText(displayText(app_.MsgText));
    place();
    repaint();
}

void frmtbao::keyPressEvent(QKeyEvent* event)
{
    // Esc closes on its release: closed on the press, the release would reach the window behind,
    // whose Esc asks the same question again.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        escPressed_ = true;
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmtbao::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        // Only an Esc pressed here: the release of the Esc that opened the question is not its answer.
        if (escPressed_) reject();
        return;
    }
    // Ctrl+End in an "ok" message toggles between the message and the last caught failure.
    if (event->key() == Qt::Key_End && event->modifiers() == Qt::ControlModifier &&
        app_.MsgMode.compare(QLatin1String("ok"), Qt::CaseInsensitive) == 0) {
        if (!saved_.isEmpty()) {
            app_.MsgText = saved_;
            saved_.clear();
        } else {
            saved_ = app_.MsgText;
            app_.MsgText = QStringLiteral("Lỗi  %1 (%2).").arg(app_.LastErrorNumber).arg(app_.LastErrorDescription);
        }
        const qsizetype length = app_.MsgText.trimmed().size();
        labelTop_ = length < 60 ? 850 : length < 120 ? 700 : length < 180 ? 550 : length < 240 ? 400 : 200;
        showText();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

void frmtbao::closeEvent(QCloseEvent* event)
{
    for (QPushButton* b : {cmdyes, cmdok, cmdno}) b->hide();
    QDialog::closeEvent(event);
}

}  // namespace korvane
