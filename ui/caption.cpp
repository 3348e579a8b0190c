#include "ui/caption.h"

#include <QFontInfo>
#include <QPainter>
#include <QStyle>

#include <cmath>

QFont font_to_fit(const QFont &font, const QString &text, const QSize &room) {
    QSize needed = QFontMetrics(font).size(Qt::TextSingleLine, text);
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return font;
    QFont smaller = font;
    const double ratio = qMin(double(room.width()) / qMax(1, needed.width()),
                              double(room.height()) / qMax(1, needed.height()));
    const int full = QFontInfo(font).pixelSize();
    // A first guess from the ratios, then a pixel less until it fits.
    for (int pixels = qBound(1, int(std::floor(full * ratio)), qMax(1, full - 1)); pixels >= 1;
         --pixels) {
        smaller.setPixelSize(pixels);
        needed = QFontMetrics(smaller).size(Qt::TextSingleLine, text);
        if (needed.width() <= room.width() && needed.height() <= room.height())
            break;
    }
    return smaller;
}

void caption::paintEvent(QPaintEvent *event) {
    const QRect room =
        contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const QFont fitted = font_to_fit(font(), text(), room.size());
    if (fitted == font()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setFont(fitted);
    style()->drawItemText(&p, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), text(), foregroundRole());
}
