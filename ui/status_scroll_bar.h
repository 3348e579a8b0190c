#ifndef STATUS_SCROLL_BAR_H
#define STATUS_SCROLL_BAR_H

#include <QScrollBar>

class QTextEdit;

// The status area's scroll bar. Every insert changes its range and its value, and a plain scroll
// bar repaints itself each time, gradients and all, though once the area holds a few hundred
// lines the slider moves by less than a pixel a frame. This one repaints when what it shows
// changes: its slider, its buttons or its state.
class status_scroll_bar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    // Makes a new one the area's vertical bar.
    static void install(QTextEdit *area);

    // An insert changes the range, then the value: held between the two calls, the bar repaints
    // once at the end, and only if it looks different then.
    void hold() { held = true; }
    void release();

    // The area lays out its bars on every insert, and asks each time: kept until the look changes.
    QSize sizeHint() const override;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    // What the picture depends on, besides the palette and the size, which repaint it anyway.
    struct look {
        QRect rect, slider;
        int state = 0, active = 0;
        bool empty = false, at_start = false, at_end = false;
        bool operator==(const look &o) const {
            return rect == o.rect && slider == o.slider && state == o.state && active == o.active &&
                   empty == o.empty && at_start == o.at_start && at_end == o.at_end;
        }
    };
    look current_look() const;

    look painted;
    bool has_painted = false;
    bool held = false;
    mutable QSize hint;
};

#endif
