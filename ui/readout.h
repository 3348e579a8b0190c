#ifndef READOUT_H
#define READOUT_H

#include <QFont>
#include <QLineEdit>
#include <QPixmap>
#include <QTextLayout>

// One of the three large read-outs: a disabled line edit under its own style sheet.
//
// A line edit shows the end of a text too wide for it: at a font DPI the display scaling does not
// cover, 1486.512 showed as "86.512". A read-out shows such a text whole, in a font just small
// enough, centred as the line edit centres what fits.
//
// Its rounded border is the dearest thing on a frame, and its corners let what lies behind show
// through, so every new reading had Qt repaint the group box behind it too. Once the window has
// been painted it keeps two pictures of the device pixels it covers, what lies behind it and that
// with its empty panel on top, and paints a new reading as the panel's picture plus the text: the
// same pixels, without the group box and without drawing the border again.
class readout : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // Takes both pictures if it has none (or the window moved them) and can take them; from then
    // on it paints alone.
    void keep_background();
    // Drops them: it paints as any line edit until the next keep_background().
    void forget_background();
    bool keeps_background() const { return !panel.isNull(); }
    // Shows text as setText() does; once the pictures are kept, only where the old and the new
    // text lie is repainted.
    void show_text(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Lays out what the line edit shows now, where the line edit would put it, in its font or a
    // smaller one that fits, and says where its pixels go; false when the line edit would show
    // it in a way of its own (focus, a selection, right to left): then it is painted as any line
    // edit.
    bool lay_out_shown_text();
    // The line edit's own layout of its text, in its own font.
    const QTextLayout *line_edit_layout() const;
    // A font's line height and ascent, and how far its glyphs' pixels may reach beyond their
    // advance, either side.
    struct font_metrics {
        QFont font;
        int height = 0, ascent = 0, overhang = 0;
    };
    // The metrics of a font, kept for the last two fonts asked for.
    const font_metrics &metrics_of(const QFont &text_font);
    // Lays out display in text_font in the read-out's own layout.
    void lay_out_own(const QString &display, const QFont &text_font);
    // Where the panel's text goes, from the style; kept until the size or the look changes.
    QRect contents();
    // Whether painter paints into the window's own pixels, where the pictures were taken.
    bool paints_kept_pixels(const QPainter &painter) const;

    // The window's device pixels the pictures hold, and the device pixel ratio then.
    QRect kept_pixels;
    qreal kept_ratio = 0;
    QSize kept_window_size;
    QPixmap behind;
    QPixmap panel;
    QRect panel_contents;
    font_metrics metrics[2];
    int next_metrics = 0;
    int widget_pixel_size = 0; // the widget's font's size in pixels, once needed
    // The text last laid out, where it goes and where its pixels may reach: text_area is null
    // where that is not known (then every change repaints the whole read-out).
    QTextLayout layout; // a text too wide for the widget's own font, in a smaller one
    const QTextLayout *drawn = nullptr; // the line edit's layout or that one
    bool layout_fits = true;            // fits in the widget's own font
    QPoint text_at;
    QRect text_clip;
    QRect text_area;
    // Where the text on screen may have pixels: null when that is not known.
    QRect shown_area;
    bool taking = false;
};

// The device pixels a widget covers at (in the window's coordinates) at a device pixel ratio, as
// the window's backing store lays them out.
QRect device_pixels(const QRect &at, qreal ratio);

#endif
