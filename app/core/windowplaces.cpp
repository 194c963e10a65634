#include "windowplaces.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace korvane {

namespace {

// The program's own windows and dialogs; message boxes and the main window (which keeps its own
// place) are placed as they always are.
bool placed(const QWidget* w)
{
    if (!w->isWindow() || (w->windowType() != Qt::Window && w->windowType() != Qt::Dialog)) return false;
    const QString name = w->objectName();
    return name.startsWith(QLatin1String("frm")) && name != QLatin1String("frmtbao") && name != QLatin1String("frmMain");
}

QSettings settings() { return QSettings(QStringLiteral("Korvane"), QStringLiteral("Korvane")); }

}  // namespace

WindowPlaces::WindowPlaces(QString settingsGroup, QObject* parent) : QObject(parent), group_(std::move(settingsGroup))
{
    qApp->installEventFilter(this);
}

QRect WindowPlaces::Inside(const QRect& frame, const QRect& screen)
{
    QRect r = frame;
    r.setWidth(std::min(r.width(), screen.width()));
    r.setHeight(std::min(r.height(), screen.height()));
    if (r.right() > screen.right()) r.moveRight(screen.right());
    if (r.bottom() > screen.bottom()) r.moveBottom(screen.bottom());
    if (r.left() < screen.left()) r.moveLeft(screen.left());
    if (r.top() < screen.top()) r.moveTop(screen.top());
    return r;
}

bool WindowPlaces::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::Hide) || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (!placed(w)) return false;
    QSettings s = settings();
    s.beginGroup(group_);
    if (type == QEvent::Hide) {
        s.setValue(w->objectName(), w->saveGeometry());
        return false;
    }
    // Shown: where it was last left, once per showing of a hidden window, then kept on screen.
    if (!w->property("korvanePlaced").toBool()) {
        const QByteArray saved = s.value(w->objectName()).toByteArray();
        if (!saved.isEmpty()) w->restoreGeometry(saved);
        w->setProperty("korvanePlaced", true);
    }
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect area = screen->availableGeometry();
    // The frame's margins, as far as the window system has told them, stay on screen too.
    const QRect frame = w->frameGeometry();
    const QMargins margins(w->geometry().left() - frame.left(), w->geometry().top() - frame.top(),
                           frame.right() - w->geometry().right(), frame.bottom() - w->geometry().bottom());
    const QRect inside = Inside(frame, area).marginsRemoved(margins);
    if (inside != w->geometry()) w->setGeometry(inside);
    return false;
}

}  // namespace korvane
