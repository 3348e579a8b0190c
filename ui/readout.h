#ifndef READOUT_H
#define READOUT_H

#include <QLineEdit>
#include <QPixmap>
#include <QTextLayout>

// One of the three large read-outs: a disabled line edit under its own style sheet. Its rounded
// border is the dearest thing on a frame, and its corners let what lies behind show through, so
// every new reading had Qt repaint the group box behind it too. Once the window has been painted
// it keeps two pictures, what lies behind it and that with its empty panel on top, and paints a
// new reading as the panel's picture plus the text, laid out as the line edit lays it out: the
// same pixels, without the group box and without drawing the border again.
class readout : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // Takes both pictures if it has none and can take them; from then on it paints alone.
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
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Lays out what the line edit shows now, as it lays it out, and says where its pixels go;
    // false when the line edit would show it otherwise (then it is painted as any line edit).
    bool lay_out_shown_text();

    // Where in the window the pictures were taken, and the window's size then.
    QPoint kept_at;
    QSize kept_window_size;
    QPixmap behind;
    QPixmap panel;
    // Where the panel's text goes, and the font's line height and ascent.
    QRect panel_contents;
    int line_height = 0;
    int line_ascent = 0;
    // How far a glyph's pixels may reach beyond its advance, either side.
    int overhang = 0;
    // The text last laid out, where it goes and where its pixels may reach.
    QTextLayout layout;
    QPoint text_at;
    QRect text_clip;
    QRect text_area;
    // Where the text on screen may have pixels: null when that is not known.
    QRect shown_area;
    bool taking = false;
};

#endif
