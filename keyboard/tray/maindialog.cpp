#include "maindialog.h"

#include "pictures.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kesmir::tray {

namespace {

QString idName(int id) { return QString::number(id); }

}  // namespace

MainDialog::MainDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MAIN"));
    setWindowTitle(QStringLiteral("TONVORO 3.9"));
    setWindowIcon(ProgramIcon());
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(10);
    setFont(font);

    auto* picture = new QLabel;
    picture->setPixmap(AboutPicture(QSize(36, 36)));
    auto* heading = new QLabel(QStringLiteral("Tonvoro 32-Bit  Ver 3.98"));
    QFont headingFont = font;
    headingFont.setBold(true);
    heading->setFont(headingFont);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(heading, 1);

    auto* mode = new QGroupBox(QStringLiteral("MODE"), this);
    mode->setObjectName(idName(102));
    auto* modeLayout = new QVBoxLayout(mode);
    modeLayout->addWidget(radio(103, "VN-&Telex"));
    modeLayout->addWidget(radio(104, "&English"));
    modeLayout->addWidget(radio(105, "V&NI"));
    modeLayout->addWidget(check(109, "O&ld"));

    auto* code = new QGroupBox(QStringLiteral("CODE"), this);
    code->setObjectName(idName(106));
    auto* codeLayout = new QVBoxLayout(code);
    codeLayout->addWidget(radio(108, "&Tonvoro"));
    codeLayout->addWidget(radio(110, "T&CVN"));
    codeLayout->addWidget(radio(1007, "VNI"));
    codeLayout->addWidget(radio(1008, "Unicode"));
    for (int id : {108, 1007, 1008}) control(id)->setEnabled(false);

    auto* options = new QVBoxLayout;
    options->addWidget(check(116, "&Fast Correct"));
    auto* numLai = new QHBoxLayout;
    numLai->addSpacing(14);
    numLai->addWidget(radio(112, "Return &1 "));
    numLai->addWidget(radio(117, "Return &3"));
    options->addLayout(numLai);
    auto* autoText = new QHBoxLayout;
    autoText->addWidget(check(1009, "AutoTe&xt"));  // Alt+T is Telex's
    autoText->addWidget(button(1010, "AutoText&Def"));
    options->addLayout(autoText);
    options->addWidget(check(1011, "ươ tự động (&G)"));

    auto* groups = new QGridLayout;
    groups->addWidget(mode, 0, 0);
    groups->addWidget(code, 0, 1);
    groups->addLayout(options, 1, 0, 1, 2);

    auto* buttons = new QVBoxLayout;
    for (auto [id, text] : {std::pair{107, "&Ok"}, {113, "On To&p"}, {1000, "Task&Bar"}, {143, "&About..."}, {118, "&Help"},
                            {115, "&Unload"}})
        buttons->addWidget(button(id, text));
    buttons->addStretch();
    auto* bottomPicture = new QLabel(this);
    bottomPicture->setObjectName(QStringLiteral("modePicture"));
    bottomPicture->setAlignment(Qt::AlignCenter);
    buttons->addWidget(bottomPicture);

    auto* body = new QHBoxLayout;
    body->addLayout(groups, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    static_cast<QPushButton*>(control(1000))->setDefault(true);
}

QRadioButton* MainDialog::radio(int id, const char* text)
{
    auto* r = new QRadioButton(QString::fromUtf8(text), this);
    r->setObjectName(idName(id));
    // The marks follow the settings only: a click asks, refresh() answers.
    r->setAutoExclusive(false);
    connect(r, &QRadioButton::clicked, this, [this, id] { emit controlClicked(id); });
    return r;
}

QCheckBox* MainDialog::check(int id, const char* text)
{
    auto* c = new QCheckBox(QString::fromUtf8(text), this);
    c->setObjectName(idName(id));
    connect(c, &QCheckBox::clicked, this, [this, id] { emit controlClicked(id); });
    return c;
}

QPushButton* MainDialog::button(int id, const char* text)
{
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(idName(id));
    // Enter presses the button that has the focus; elsewhere it presses "Task&Bar".
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, [this, id] { emit controlClicked(id); });
    return b;
}

QAbstractButton* MainDialog::control(int id) const { return findChild<QAbstractButton*>(idName(id)); }

void MainDialog::refresh(const Settings& s)
{
    const auto mark = [this](int id, bool on) { control(id)->setChecked(on); };
    mark(103, s.vietnamese() && s.style == 0);
    mark(104, !s.vietnamese());
    mark(105, s.vietnamese() && s.style == 1);
    mark(109, s.old == -1);
    mark(108, s.code == 0);
    mark(110, s.code == 1);
    mark(1007, false);
    mark(1008, false);
    mark(116, s.fastCorrect == -1);
    mark(112, s.numLai == 1);
    mark(117, s.numLai == 3);
    mark(1009, s.autoText == -1);
    mark(1011, s.autoUo == -1);
    findChild<QLabel*>(QStringLiteral("modePicture"))->setPixmap(ModePicture(s.vietnamese(), QSize(28, 26)));
}

void MainDialog::closeEvent(QCloseEvent* event)
{
    // The close box ends the program, as "&Unload" does; the program decides when to hide us.
    event->ignore();
    emit closeRequested();
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ABOUT"));
    setWindowTitle(QStringLiteral("TONVORO-ABOUT"));
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("90"));
    picture->setPixmap(AboutPicture(QSize(64, 64)));
    auto* name = new QLabel(QStringLiteral("Tonvoro 32-Bit Version 3.98"));
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("101"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    auto* right = new QVBoxLayout;
    right->addWidget(name);
    right->addWidget(ok, 0, Qt::AlignRight);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QApplication::beep();
}

FloatBar::FloatBar(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    // The keys stay with the program the user types in, when the toolbar appears and when it is
    // clicked.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("FLOATBAR"));
    setWindowTitle(QStringLiteral("TR"));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(8);
    setFont(font);
    auto* label = new QLabel(QStringLiteral("TR"), this);
    label->setGeometry(0, 0, 76, 22);
    const int widths[] = {24, 24, 28};
    for (int id = 1, x = 0; id <= 3; x += widths[id - 1], ++id) {
        auto* b = new QToolButton(this);
        b->setObjectName(idName(id));
        b->setGeometry(x, 0, widths[id - 1], 22);
        b->setIconSize(QSize(widths[id - 1] - 4, 18));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
    }
    button(2)->setIcon(QIcon(SettingsPicture(QSize(20, 18))));
    button(2)->setToolTip(QStringLiteral("KESMIR"));
    button(3)->setIcon(QIcon(ConverterPicture(QSize(24, 18))));
    button(3)->setToolTip(QStringLiteral("tr-convr"));
    connect(button(1), &QAbstractButton::pressed, this, &FloatBar::modePressed);
    connect(button(1), &QAbstractButton::clicked, this, &FloatBar::modeClicked);
    connect(button(2), &QAbstractButton::clicked, this, &FloatBar::mainClicked);
    connect(button(3), &QAbstractButton::clicked, this, &FloatBar::converterClicked);
    setFixedSize(76, 22);
}

void FloatBar::closeEvent(QCloseEvent* event)
{
    // Closed by the desktop (Alt+F4): the settings come back, as with button 2.
    event->ignore();
    emit mainClicked();
}

QAbstractButton* FloatBar::button(int id) const { return findChild<QAbstractButton*>(idName(id)); }

void FloatBar::refresh(const Settings& settings)
{
    button(1)->setIcon(QIcon(ModePicture(settings.vietnamese(), QSize(20, 18))));
    button(1)->setToolTip(settings.vietnamese() ? QStringLiteral(" TR-Vietnamese ") : QStringLiteral(" TR-English "));
}

}  // namespace kesmir::tray
