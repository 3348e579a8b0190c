#ifndef READOUT_H
#define READOUT_H

#include <QLineEdit>
#include <QPixmap>

// One of the three large read-outs: a disabled line edit under its own style sheet that paints its
// text itself, centred and whole. A text too wide for it (1486.512 showed as "86.512" at a font DPI
// the display scaling does not cover) is drawn in a font just small enough, as a caption's is.
//
// Its rounded border is the dearest thing on a frame, and its corners let the group box behind it
// show through, which Qt then repainted with every reading. Once the window has been painted it
// keeps one picture of the pixels it covers with its panel empty, and paints a reading as that
// picture plus the text.
class readout : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // Takes the picture if the window is shown and it has none that fits the window's pixels.
    void keep_background();
    // Drops it: the group box is painted behind again until the next keep_background().
    void forget_background();
    bool keeps_background() const { return !panel.isNull(); }
    void show_text(const QString &text) { setText(text); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QPixmap panel;
    QRect kept_pixels; // the window's device pixels it holds
    qreal kept_ratio = 0;
    bool taking = false;
};

#endif
