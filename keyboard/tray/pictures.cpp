#include "pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace kesmir::tray {

namespace {

const QColor kRed(0xda, 0x25, 0x1d), kDarkRed(0x8c, 0x15, 0x15), kYellow(0xff, 0xde, 0x00);
const QColor kBlue(0x1d, 0x4f, 0xa8), kDarkBlue(0x10, 0x2c, 0x60);

QPixmap blank(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A key cap: a rounded face over a darker edge, as the keyboard's own icon has.
void keyCap(QPainter& p, QRectF r, const QColor& face, const QColor& edge)
{
    const qreal radius = r.width() / 6;
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawRoundedRect(r.adjusted(0, r.height() * 0.05, 0, 0), radius, radius);
    p.setBrush(face);
    p.drawRoundedRect(r.adjusted(0, 0, 0, -r.height() * 0.06), radius, radius);
}

void star(QPainter& p, QPointF centre, qreal outer, const QColor& colour)
{
    QPainterPath path;
    for (int k = 0; k < 10; ++k) {
        const qreal radius = k % 2 ? outer * 0.4 : outer;
        const qreal angle = -M_PI / 2 + k * M_PI / 5;
        const QPointF point(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
        k ? path.lineTo(point) : path.moveTo(point);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

void letter(QPainter& p, QRectF r, const QString& text, const QColor& colour)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qMax(6, static_cast<int>(r.height() * 0.62)));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

// A key cap filling the picture, with what `draw` paints on its face.
template <class Draw>
QPixmap keyFace(QSize size, const QColor& face, const QColor& edge, Draw draw)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    keyCap(p, r, face, edge);
    draw(p, r);
    return pixmap;
}

QPixmap modeFace(bool vietnamese, QSize size)
{
    return keyFace(size, vietnamese ? kRed : kBlue, vietnamese ? kDarkRed : kDarkBlue, [vietnamese](QPainter& p, QRectF r) {
        letter(p, r.adjusted(0, 0, 0, -r.height() * 0.06), vietnamese ? QStringLiteral("V") : QStringLiteral("E"),
               vietnamese ? kYellow : Qt::white);
    });
}

}  // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (int side : {16, 22, 32, 48, 64}) {
        QPixmap pixmap = blank(QSize(side, side));
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        keyCap(p, QRectF(side * 0.06, side * 0.06, side * 0.88, side * 0.88), kRed, kDarkRed);
        star(p, QPointF(side / 2.0, side * 0.47), side * 0.3, kYellow);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon ModeIcon(bool vietnamese)
{
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48}) icon.addPixmap(modeFace(vietnamese, QSize(side, side)));
    return icon;
}

QPixmap ModePicture(bool vietnamese, QSize size) { return modeFace(vietnamese, size); }

QPixmap SettingsPicture(QSize size)
{
    return keyFace(size, QColor(0xe8, 0xe8, 0xe0), QColor(0x90, 0x90, 0x88), [](QPainter& p, QRectF r) {
        // Three sliders: the settings.
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.4));
        for (int k = 0; k < 3; ++k) {
            const qreal y = r.top() + r.height() * (0.28 + 0.2 * k);
            p.drawLine(QPointF(r.left() + r.width() * 0.2, y), QPointF(r.right() - r.width() * 0.2, y));
            p.setBrush(kRed);
            const qreal x = r.left() + r.width() * (0.32 + 0.18 * ((k * 2) % 3));
            p.drawEllipse(QPointF(x, y), r.height() * 0.08, r.height() * 0.08);
        }
    });
}

QPixmap ConverterPicture(QSize size)
{
    return keyFace(size, QColor(0xf4, 0xf0, 0xd8), QColor(0x98, 0x90, 0x70), [](QPainter& p, QRectF r) {
        // Two arrows, one each way: text from one code into another.
        p.setPen(QPen(kDarkBlue, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal left = r.left() + r.width() * 0.18, right = r.right() - r.width() * 0.18;
        const qreal top = r.top() + r.height() * 0.33, bottom = r.top() + r.height() * 0.62, head = r.height() * 0.13;
        p.drawLine(QPointF(left, top), QPointF(right, top));
        p.drawLine(QPointF(right, top), QPointF(right - head, top - head));
        p.drawLine(QPointF(right, top), QPointF(right - head, top + head));
        p.setPen(QPen(kRed, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(right, bottom), QPointF(left, bottom));
        p.drawLine(QPointF(left, bottom), QPointF(left + head, bottom - head));
        p.drawLine(QPointF(left, bottom), QPointF(left + head, bottom + head));
    });
}

QPixmap AboutPicture(QSize size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(size.width(), size.height());
    keyCap(p, QRectF(0.5, 0.5, side - 1, side - 1), kRed, kDarkRed);
    star(p, QPointF(side / 2, side * 0.46), side * 0.32, kYellow);
    return pixmap;
}

}  // namespace kesmir::tray
