#ifndef TREND_PLOT_H
#define TREND_PLOT_H

#include "trend/trend_store.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QVector>
#include <QWidget>

#include <climits>
#include <cmath>
#include <optional>

// The two plots, one above the other on one time axis: velocity and its average in m/s, and the
// temperature in ℃. Each device pixel column shows its readings' first, smallest, largest and
// last value, from the store's pyramid, so a frame costs the same at any span.
//
// The span is laid on whole columns of a fixed length (a rung of a 2 % ladder for "全部"), so
// that from one frame to the next only the columns new readings fall in change: only they are
// read from the store, drawn again (straight into the plot's own pixels, sharp at any display
// scale) and repainted.
class trend_plot : public QWidget {
public:
    explicit trend_plot(const trend_store &store, QWidget *parent = nullptr);

    // Shows the last span_ms milliseconds (0: every reading held) up to the newest reading, or,
    // with end_ms, up to there. Repaints only what changed.
    void show_span(qint64 span_ms, std::optional<qint64> end_ms = std::nullopt);
    // The readings [first, end) the plot shows.
    qint64 first_shown() const { return now.first; }
    qint64 end_shown() const { return now.end; }

    // Where the plots lie, in the widget's coordinates.
    QRectF velocity_area() const { return now.area[0]; }
    QRectF temperature_area() const { return now.area[1]; }

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

public:
    // What one series draws in one pixel column (device pixels, within its plot): a stroke from
    // its smallest to its largest value, joined from the last point of the column before.
    struct shape {
        int first = 0, min = 1, max = 0, last = 0;
        int join_x = -1, join_y = 0; // where the join comes from (-1: none)
        bool operator==(const shape &o) const {
            return first == o.first && min == o.min && max == o.max && last == o.last &&
                   join_x == o.join_x && join_y == o.join_y;
        }
        bool operator!=(const shape &o) const { return !(*this == o); }
        bool present() const { return min <= max; }
    };
    struct tick {
        int at; // device pixels from the plot's left or top
        QString label;
        bool operator==(const tick &o) const { return at == o.at && label == o.label; }
    };
    // The span on whole columns: column c covers [start(c), start(c + 1)).
    struct span_columns {
        double column_ms = 0;
        qint64 end_column = 0;
        int columns = 0;
        bool whole_blocks = false;
        qint64 limit = LLONG_MAX; // paused: no reading after the pause
        qint64 start(int c) const {
            return std::min(limit,
                            qint64(std::floor(double(end_column - columns + c) * column_ms)));
        }
        bool operator==(const span_columns &o) const {
            return column_ms == o.column_ms && end_column == o.end_column && columns == o.columns &&
                   whole_blocks == o.whole_blocks && limit == o.limit;
        }
    };
    // The store read per column, kept from frame to frame.
    struct column_data {
        span_columns span;
        qint64 store_end = -1;
        QVector<qint64> bounds; // columns + 1 reading indices
        QVector<std::array<trend_column, trend_series_count>> values;
    };
    // Everything a paint draws.
    struct scene {
        qreal ratio = 0;
        QRectF area[2];  // logical
        QRect pixels[2]; // device
        QVector<tick> value_ticks[2];
        QVector<tick> time_ticks;
        bool any = false;
        qint64 first = 0, end = 0;
        QVector<shape> shapes[trend_series_count];
        bool same_frame(const scene &o) const;
    };

private:
    void rebuild();
    scene compute(qreal ratio, column_data &data) const;
    scene compute(qreal ratio, column_data &data, qreal left) const;
    void read_columns(column_data &data, const span_columns &span) const;
    qreal text_width(const QString &text) const;
    static void draw_layers(const scene &sc, QImage layers[2], const int from[2], const int to[2]);
    void paint(QPainter &painter, const scene &sc, const QImage layers[2],
               const QRegion &region) const;

    const trend_store &store;
    qint64 span_ms = 60'000;
    std::optional<qint64> end_ms;
    column_data data;
    scene now;
    QImage layers[2];
    mutable QHash<QString, qreal> widths;
    mutable qint64 zone_minute = LLONG_MIN;
    mutable qint64 zone_ms = 0;
};

#endif
