#include "ui/readout.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

void readout::keep_background() {
    if (!isVisible() || !window()->testAttribute(Qt::WA_Mapped))
        return;
    const QPoint at = mapTo(window(), QPoint());
    if (keeps_background() && at == kept_at && window()->size() == kept_window_size)
        return;
    // A scaled picture would not land on the same pixels.
    if (devicePixelRatioF() != 1.0)
        return;
    setAttribute(Qt::WA_OpaquePaintEvent, false); // or rendering leaves out what lies behind
    QPixmap back(size());
    back.fill(Qt::black); // opaque, so that it is copied and not blended; the window covers it
    taking = true;
    window()->render(&back, QPoint(), QRegion(QRect(at, size())),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
    taking = false;

    QStyleOptionFrame option;
    initStyleOption(&option);
    QPixmap front = back;
    {
        QPainter p(&front);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
    }
    panel_contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QFontMetrics metrics = fontMetrics();
    line_height = metrics.height();
    line_ascent = metrics.ascent();
    // Antialiasing and hinting may add a pixel or two to the font's own bearings.
    overhang = qMax(0, -qMin(metrics.minLeftBearing(), metrics.minRightBearing())) + 2;
    behind = back;
    panel = front;
    kept_at = at;
    kept_window_size = window()->size();
    // The style sheet clears the attribute when it polishes the widget, so it is set here.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void readout::forget_background() {
    behind = QPixmap();
    panel = QPixmap();
    layout.clearLayout(); // laid out again, in the font of the time, when next needed
    shown_area = QRect();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void readout::show_text(const QString &text) {
    if (!keeps_background() || shown_area.isNull() || !updatesEnabled()) {
        setText(text);
        return;
    }
    // The line edit would repaint all of itself: outside the old and the new text it shows the
    // panel's picture already.
    setAttribute(Qt::WA_UpdatesDisabled);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    if (lay_out_shown_text())
        update(shown_area | text_area);
    else
        update();
}

void readout::paintEvent(QPaintEvent *event) {
    if (taking)
        return;
    if (keeps_background() && lay_out_shown_text()) {
        // Painted within the region asked for only, which holds all that changed.
        QPainter p(this);
        p.drawPixmap(0, 0, panel);
        p.setClipRect(text_clip);
        p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        layout.draw(&p, text_at, {}, text_clip);
        shown_area = text_area;
        return;
    }
    if (keeps_background()) {
        QPainter p(this);
        p.drawPixmap(0, 0, behind);
    }
    QLineEdit::paintEvent(event);
    shown_area = QRect();
}

// Places the text where QLineEdit::paintEvent places it for a disabled line edit whose text
// fits: centred in the contents and clipped to them. Anything else (focus, a selection, a text
// too long, right-to-left) is left to the line edit.
bool readout::lay_out_shown_text() {
    const QString shown = text();
    if (isEnabled() || hasFocus() || hasSelectedText() || echoMode() != Normal ||
        !inputMask().isEmpty() || !actions().isEmpty() || isClearButtonEnabled() ||
        layoutDirection() != Qt::LeftToRight || shown.isRightToLeft() ||
        (alignment() & Qt::AlignVertical_Mask) != Qt::AlignVCenter ||
        (alignment() & Qt::AlignHorizontal_Mask) != Qt::AlignHCenter)
        return false;

    // The line edit shows control characters and separators as blanks.
    QString display = shown;
    for (QChar &c : display)
        if ((c.unicode() < 0x20 && c.unicode() != 0x09) || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
            c = QLatin1Char(' ');
    if (layout.lineCount() == 0 || display != layout.text()) {
        layout.setText(display);
        layout.setFont(font());
        // Or the layout drops its glyphs when done, and shapes the text again to paint it.
        layout.setCacheEnabled(true);
        QTextOption text_option = layout.textOption();
        text_option.setTextDirection(Qt::LeftToRight);
        text_option.setFlags(QTextOption::IncludeTrailingSpaces);
        layout.setTextOption(text_option);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
    }
    const QTextLine line = layout.lineAt(0);

    text_clip = panel_contents.marginsRemoved(textMargins());
    const QRect &contents = text_clip;
    const int horizontal_margin = 2; // the line edit's own
    const QRect line_rect(contents.x() + horizontal_margin,
                          contents.y() + (contents.height() - line_height + 1) / 2,
                          contents.width() - 2 * horizontal_margin, line_height);
    const int width_used = qRound(line.naturalTextWidth()) + 1;
    if (width_used > line_rect.width())
        return false;
    const int hscroll = (width_used - line_rect.width()) / 2;
    text_at = line_rect.topLeft() - QPoint(hscroll, qRound(line.ascent()) - line_ascent);
    text_area =
        QRect(text_at.x() - overhang, contents.y(), width_used + 2 * overhang, contents.height())
            .intersected(contents);
    return true;
}

void readout::changeEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        forget_background();
        break;
    default:
        break;
    }
    QLineEdit::changeEvent(event);
}

void readout::moveEvent(QMoveEvent *event) {
    forget_background();
    QLineEdit::moveEvent(event);
}

void readout::resizeEvent(QResizeEvent *event) {
    forget_background();
    QLineEdit::resizeEvent(event);
}
