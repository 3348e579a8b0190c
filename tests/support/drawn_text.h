#ifndef DRAWN_TEXT_H
#define DRAWN_TEXT_H

#include <QList>
#include <QRectF>
#include <QString>

class QWidget;

// A piece of text a widget drew when it painted itself: what it reads, where it lies in the
// widget (its advance, from the font's ascent to its descent) and the clip it was drawn in.
struct drawn_text {
    QString text;
    QRectF rect;
    QRectF clip;
};

// What a widget (not its children) draws as text, in the order drawn.
QList<drawn_text> texts_drawn(QWidget *widget);

// Whether a widget draws text reading `text` (blanks aside), all of it within the widget and
// within the clip it is drawn in; why not, if not.
bool draws_whole(QWidget *widget, const QString &text, QString *why);

#endif
