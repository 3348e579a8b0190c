#ifndef TREND_PLOT_H
#define TREND_PLOT_H

#include "trend/trend_axis.h"

#include <QColor>
#include <QImage>
#include <QPolygonF>
#include <QVector>
#include <QWidget>

class trend_store;

// The two plots, one above the other on one time axis: velocity and its average in m/s, and the
// temperature in ℃. Each pixel column shows its readings' first, smallest, largest and last
// value, from the store's pyramid, so a frame costs the same at any span. The lines, grid and
// frames are drawn on device pixels, sharp at any display scale.
class trend_plot : public QWidget {
public:
    explicit trend_plot(const trend_store &store, QWidget *parent = nullptr);

    // Shows the readings received in [from_ms, to_ms) of the monotonic clock. Repaints only if
    // what it shows changed.
    void show_span(qint64 from_ms, qint64 to_ms);
    // The readings [first, end) the plot shows.
    qint64 first_shown() const { return shown_from; }
    qint64 end_shown() const { return shown_to; }

    // Where the plots lie, in the widget's coordinates.
    QRectF velocity_area() const { return scene_now.area[0]; }
    QRectF temperature_area() const { return scene_now.area[1]; }

    // The plots as the widget shows them, drawn at a device pixel ratio.
    QImage picture(qreal ratio) const;

    static const QColor velocity_colour;
    static const QColor average_colour;
    static const QColor temperature_colour;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    QSize minimumSizeHint() const override;

private:
    struct tick {
        double at; // device pixels
        QString label;
        bool operator==(const tick &o) const { return at == o.at && label == o.label; }
    };
    // Everything a paint draws, so that a frame that would draw the same skips its paint.
    struct scene {
        qreal ratio = 0;
        QRectF area[2];  // logical
        QRect pixels[2]; // device
        QVector<tick> value_ticks[2];
        QVector<tick> time_ticks;
        QVector<QPolygonF> lines[3]; // per series, broken where the readings stop
        bool any = false;
        bool operator==(const scene &o) const;
    };
    void rebuild();
    scene compute(qreal ratio) const;
    void paint(QPainter &painter, const scene &sc) const;
    static void draw_lines(QPainter &painter, const scene &sc);

    const trend_store &store;
    qint64 from_ms = 0;
    qint64 to_ms = 1;
    qint64 shown_from = 0;
    qint64 shown_to = 0;
    scene scene_now;
};

#endif
