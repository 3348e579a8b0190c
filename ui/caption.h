#ifndef CAPTION_H
#define CAPTION_H

#include <QLabel>

// A label that never cuts its text. Where the window's fonts are larger than its layout has room
// for (a font DPI the display scaling does not cover), the layout gives a label less than its
// text needs, and a plain label shows the start of its text only; this one shows it whole, in a
// font just small enough.
class caption : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// font itself if text fits room in it, otherwise the largest smaller pixel size in which it does
// (1 pixel at the least).
QFont font_to_fit(const QFont &font, const QString &text, const QSize &room);

#endif
