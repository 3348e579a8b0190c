#include "ui/readout.h"

#include <QtWidgets/private/qlineedit_p.h>

#include <QFontInfo>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLine>

#include <cmath>

namespace {
// The line edit's own margin inside its contents, left and right.
constexpr int horizontal_margin = 2;

// Printable ASCII keeps its pixels within its advance and the font's bearings; combining marks
// and glyphs from fallback fonts need not.
bool ink_within_advance(const QString &text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}
} // namespace

QRect device_pixels(const QRect &at, qreal ratio) {
    // As Qt scales a widget's clip: the corners of the scaled rectangle, rounded.
    return QRectF(QPointF(at.topLeft()) * ratio, QSizeF(at.size()) * ratio).toRect();
}

void readout::keep_background() {
    if (!isVisible() || !window()->testAttribute(Qt::WA_Mapped))
        return;
    const qreal ratio = devicePixelRatioF();
    const QRect at(mapTo(window(), QPoint()), size());
    const QRect pixels = device_pixels(at, ratio);
    if (keeps_background() && pixels == kept_pixels && ratio == kept_ratio &&
        window()->size() == kept_window_size)
        return;
    setAttribute(Qt::WA_OpaquePaintEvent, false); // or rendering leaves out what lies behind
    // Painted to the window's scale and shifted by whole device pixels only, so that every edge
    // rounds as it does on screen.
    const QTransform window_to_pixels(ratio, 0, 0, ratio, -pixels.x(), -pixels.y());
    QPixmap back(pixels.size());
    back.fill(Qt::black); // opaque, so that it is copied and not blended; the window covers it
    {
        QPainter p(&back);
        p.setTransform(window_to_pixels);
        // A pixel more all round: a scaled clip may round inwards.
        const QRect source = at.adjusted(-1, -1, 1, 1);
        taking = true;
        window()->render(&p, source.topLeft(), QRegion(source),
                         QWidget::DrawWindowBackground | QWidget::DrawChildren);
        taking = false;
    }
    QPixmap front = back;
    {
        QPainter p(&front);
        p.setTransform(QTransform::fromTranslate(at.x(), at.y()) * window_to_pixels);
        QStyleOptionFrame option;
        initStyleOption(&option);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
    }
    behind = back;
    panel = front;
    kept_pixels = pixels;
    kept_ratio = ratio;
    kept_window_size = window()->size();
    // The style sheet clears the attribute when it polishes the widget, so it is set here.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void readout::forget_background() {
    behind = QPixmap();
    panel = QPixmap();
    panel_contents = QRect();
    for (font_metrics &kept : metrics) // the metrics too: the font or the screen may have changed
        kept.height = 0;
    widget_pixel_size = 0;
    layout.clearLayout(); // laid out again, in the font of the time, when next needed
    drawn = nullptr;
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
    if (lay_out_shown_text() && !text_area.isNull())
        update(shown_area | text_area);
    else
        update();
}

bool readout::paints_kept_pixels(const QPainter &painter) const {
    const QTransform &to_device = painter.deviceTransform();
    const QPointF origin = QPointF(mapTo(window(), QPoint())) * kept_ratio;
    return qFuzzyCompare(to_device.m11(), kept_ratio) &&
           qFuzzyCompare(to_device.m22(), kept_ratio) &&
           qFuzzyCompare(to_device.dx() + 1, origin.x() + 1) &&
           qFuzzyCompare(to_device.dy() + 1, origin.y() + 1) &&
           device_pixels(QRect(mapTo(window(), QPoint()), size()), kept_ratio) == kept_pixels;
}

void readout::paintEvent(QPaintEvent *event) {
    if (taking)
        return;
    // The line edit paints a text that fits as this does; one that does not, it would cut.
    const bool own_text = lay_out_shown_text() && (keeps_background() || !layout_fits);
    {
        QPainter p(this);
        if (keeps_background()) {
            const QPixmap &picture = own_text ? panel : behind;
            if (paints_kept_pixels(p)) {
                // Onto the very device pixels it was taken from.
                p.save();
                p.setWorldTransform(p.deviceTransform().inverted());
                p.drawPixmap(kept_pixels.topLeft(), picture);
                p.restore();
            } else {
                p.drawPixmap(QRectF(rect()), picture, QRectF(picture.rect()));
            }
        } else if (own_text) {
            QStyleOptionFrame option;
            initStyleOption(&option);
            style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
        }
        if (own_text) {
            // Painted within the region asked for only, which holds all that changed.
            p.setClipRect(text_clip, Qt::IntersectClip);
            p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
            drawn->draw(&p, text_at, {}, text_clip);
        }
    }
    if (own_text) {
        shown_area = keeps_background() ? text_area : QRect();
        return;
    }
    QLineEdit::paintEvent(event);
    shown_area = QRect();
}

const QTextLayout *readout::line_edit_layout() const {
    return static_cast<const QLineEditPrivate *>(QObjectPrivate::get(this))->control->textLayout();
}

const readout::font_metrics &readout::metrics_of(const QFont &text_font) {
    for (font_metrics &kept : metrics)
        if (kept.height != 0 && kept.font == text_font)
            return kept;
    // Two fonts at most take turns: the widget's own, and the smaller one a wide text takes.
    font_metrics &m = metrics[next_metrics];
    next_metrics = 1 - next_metrics;
    const QFontMetrics measured(text_font);
    m.font = text_font;
    m.height = measured.height();
    m.ascent = measured.ascent();
    // Antialiasing and hinting may add a pixel or two to the font's own bearings.
    m.overhang = qMax(0, -qMin(measured.minLeftBearing(), measured.minRightBearing())) + 2;
    return m;
}

void readout::lay_out_own(const QString &display, const QFont &text_font) {
    layout.setText(display);
    layout.setFont(text_font);
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

QRect readout::contents() {
    if (panel_contents.isNull()) {
        QStyleOptionFrame option;
        initStyleOption(&option);
        panel_contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    }
    return panel_contents;
}

// Places the text where QLineEdit::paintEvent places it for a disabled line edit whose text
// fits: centred in the contents and clipped to them. A text that does not fit is laid out in the
// largest smaller font in which it does, and centred the same way. Anything else (focus, a
// selection, right-to-left) is left to the line edit.
bool readout::lay_out_shown_text() {
    const QString shown = text();
    if (isEnabled() || hasFocus() || hasSelectedText() || echoMode() != Normal ||
        !inputMask().isEmpty() || !actions().isEmpty() || isClearButtonEnabled() ||
        layoutDirection() != Qt::LeftToRight || shown.isRightToLeft() ||
        (alignment() & Qt::AlignVertical_Mask) != Qt::AlignVCenter ||
        (alignment() & Qt::AlignHorizontal_Mask) != Qt::AlignHCenter)
        return false;

    text_clip = contents().marginsRemoved(textMargins());
    const QRect &room = text_clip;
    const int width = room.width() - 2 * horizontal_margin;

    // The line edit shows control characters and separators as blanks.
    QString display = shown;
    for (QChar &c : display)
        if ((c.unicode() < 0x20 && c.unicode() != 0x09) || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
            c = QLatin1Char(' ');
    // The line edit has laid out its text already, in its own font: where that fits, it is
    // drawn as it is, and where it does not, the smaller font is guessed from its width.
    const QTextLayout *edit_layout = line_edit_layout();
    const bool edit_layout_usable = edit_layout->lineCount() == 1 &&
                                    edit_layout->text() == display && edit_layout->font() == font();
    int edit_width_needed = 0;
    if (edit_layout_usable) {
        edit_width_needed = qRound(edit_layout->lineAt(0).naturalTextWidth()) + 1;
        layout_fits = edit_width_needed <= width && metrics_of(font()).height <= room.height();
    }
    if (edit_layout_usable && layout_fits) {
        drawn = edit_layout;
    } else if (drawn != &layout || display != layout.text()) {
        QFont font_now = font();
        int pixel_size = 0;
        for (;;) {
            const int line_height = metrics_of(font_now).height;
            // Fits across as the line edit measures it, and up and down with the whole line.
            int width_needed = edit_width_needed;
            if (pixel_size != 0 || !edit_layout_usable) {
                lay_out_own(display, font_now);
                width_needed = qRound(layout.lineAt(0).naturalTextWidth()) + 1;
            }
            const bool fits = width_needed <= width && line_height <= room.height();
            if (pixel_size == 0)
                layout_fits = fits;
            if (fits || pixel_size == 1)
                break;
            if (pixel_size == 0) {
                // A first guess from the ratios, then a pixel less until it fits.
                const double ratio =
                    qMin(double(width) / width_needed, double(room.height()) / line_height);
                if (widget_pixel_size == 0)
                    widget_pixel_size = QFontInfo(font_now).pixelSize();
                pixel_size = qBound(1, int(std::floor(widget_pixel_size * qMin(ratio, 1.0))),
                                    qMax(1, widget_pixel_size - 1));
            } else {
                --pixel_size;
            }
            font_now.setPixelSize(pixel_size);
        }
        drawn = &layout; // laid out in the last font tried
    }
    const font_metrics &drawn_metrics = metrics_of(drawn->font());
    const int line_height = drawn_metrics.height, overhang = drawn_metrics.overhang;
    const QTextLine line = drawn->lineAt(0);
    const QRect line_rect(room.x() + horizontal_margin,
                          room.y() + (room.height() - line_height + 1) / 2,
                          room.width() - 2 * horizontal_margin, line_height);
    const int width_used = qRound(line.naturalTextWidth()) + 1;
    const int hscroll = (width_used - line_rect.width()) / 2;
    text_at = line_rect.topLeft() - QPoint(hscroll, qRound(line.ascent()) - drawn_metrics.ascent);
    text_area = ink_within_advance(display) ? QRect(text_at.x() - overhang, room.y(),
                                                    width_used + 2 * overhang, room.height())
                                                  .intersected(room)
                                            : QRect();
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

// A move to a screen of another pixel ratio: the pictures no longer fit its pixels.
bool readout::event(QEvent *event) {
    if (event->type() == QEvent::ScreenChangeInternal)
        forget_background();
    return QLineEdit::event(event);
}

void readout::moveEvent(QMoveEvent *event) {
    forget_background();
    QLineEdit::moveEvent(event);
}

void readout::resizeEvent(QResizeEvent *event) {
    forget_background();
    QLineEdit::resizeEvent(event);
}
