#include "ui/readout.h"
#include "ui/caption.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
// The device pixels a widget covers at (in the window's coordinates), as Qt scales its clip: the
// corners of the scaled rectangle, rounded.
QRect device_pixels(const QRect &at, qreal ratio) {
    return QRectF(QPointF(at.topLeft()) * ratio, QSizeF(at.size()) * ratio).toRect();
}
} // namespace

void readout::keep_background() {
    if (!isVisible() || !window()->testAttribute(Qt::WA_Mapped))
        return;
    const qreal ratio = devicePixelRatioF();
    const QRect at(mapTo(window(), QPoint()), size());
    const QRect pixels = device_pixels(at, ratio);
    if (keeps_background() && pixels == kept_pixels && ratio == kept_ratio)
        return;
    setAttribute(Qt::WA_OpaquePaintEvent, false); // or rendering leaves out what lies behind
    QPixmap picture(pixels.size());
    picture.fill(Qt::black); // opaque, so that it is copied and not blended; the window covers it
    QPainter p(&picture);
    // To the window's scale, shifted by whole device pixels only, so that every edge rounds as it
    // does on screen; a pixel more all round, as a scaled clip may round inwards.
    p.setTransform(QTransform(ratio, 0, 0, ratio, -pixels.x(), -pixels.y()));
    const QRect source = at.adjusted(-1, -1, 1, 1);
    taking = true; // the panel without its text
    window()->render(&p, source.topLeft(), QRegion(source),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
    taking = false;
    p.end();
    panel = picture;
    kept_pixels = pixels;
    kept_ratio = ratio;
    setAttribute(Qt::WA_OpaquePaintEvent); // the style sheet clears it when it polishes the widget
}

void readout::forget_background() {
    panel = QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void readout::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    // The picture goes onto the very device pixels it was taken from, not into another device.
    const QTransform to_device = p.deviceTransform();
    const QRect at(mapTo(window(), QPoint()), size());
    if (!taking && keeps_background() && qFuzzyCompare(to_device.m11(), kept_ratio) &&
        qFuzzyCompare(to_device.dx() + 1, at.x() * kept_ratio + 1) &&
        qFuzzyCompare(to_device.dy() + 1, at.y() * kept_ratio + 1) &&
        device_pixels(at, kept_ratio) == kept_pixels) {
        p.setWorldTransform(to_device.inverted());
        p.drawPixmap(kept_pixels.topLeft(), panel);
        p.resetTransform();
    } else {
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
    }
    if (taking)
        return;
    // Within the contents, less the line edit's own margin of 2 pixels left and right; control
    // characters as blanks, as the line edit shows them.
    const QRect room = style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                           .marginsRemoved(textMargins() + QMargins(2, 0, 2, 0));
    const QString shown = displayText();
    p.setFont(font_to_fit(font(), shown, room.size()));
    p.setPen(palette().color(QPalette::Text));
    p.drawText(room, int(QStyle::visualAlignment(layoutDirection(), alignment())), shown);
}

// A move, a new size, look or screen: the picture no longer fits.
bool readout::event(QEvent *event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::ScreenChangeInternal:
        forget_background();
        break;
    default:
        break;
    }
    return QLineEdit::event(event);
}
