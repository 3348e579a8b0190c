#include "trend/trend_plot.h"

#include "trend/trend_axis.h"

#include <QDateTime>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

const QColor trend_plot::velocity_colour(31, 95, 191);
const QColor trend_plot::average_colour(230, 120, 0);
const QColor trend_plot::temperature_colour(200, 30, 40);

namespace {
const QColor grid_colour(226, 226, 226);
const QColor frame_colour(140, 140, 140);
const QColor text_colour(40, 40, 40);

constexpr qreal gap_between_plots = 12;
constexpr qreal right_margin = 18;
constexpr qreal top_margin = 4;
// "全部" grows its column length by rungs of 2 %: the columns stay put for a while.
constexpr double rung = 1.02;

qint64 floor_div(qint64 a, qint64 b) {
    return a / b - (a % b < 0 ? 1 : 0);
}

const QString titles[2] = {QStringLiteral("声速(m/s)"), QStringLiteral("温度(℃)")};

int plot_of(int series) {
    return series == trend_temperature ? 1 : 0;
}

// Draws into a plot's own pixels, only within the columns [x0, x1].
class layer_pen {
public:
    layer_pen(QImage &image, int x0, int x1)
        : bits(image.bits()), stride(image.bytesPerLine()), x0(std::max(0, x0)),
          x1(std::min(image.width() - 1, x1)), bottom(image.height() - 1) {}

    void clear(QRgb colour) {
        for (int y = 0; y <= bottom; ++y)
            std::fill(row(y) + x0, row(y) + x1 + 1, colour);
    }
    void across(int y, QRgb colour) {
        if (y >= 0 && y <= bottom)
            std::fill(row(y) + x0, row(y) + x1 + 1, colour);
    }
    void down(int x, QRgb colour) {
        if (x >= x0 && x <= x1)
            for (int y = 0; y <= bottom; ++y)
                row(y)[x] = colour;
    }
    // A square of w pixels at (x, y).
    void dot(int x, int y, int w, QRgb colour) {
        const int left = std::max(x0, x - (w - 1) / 2), right = std::min(x1, x + w / 2);
        const int top = std::max(0, y - (w - 1) / 2), low = std::min(bottom, y + w / 2);
        for (int yy = top; yy <= low; ++yy)
            for (int xx = left; xx <= right; ++xx)
                row(yy)[xx] = colour;
    }
    void stroke(int x, int y0, int y1, int w, QRgb colour) {
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            dot(x, y, w, colour);
    }
    // Bresenham's line.
    void line(int xa, int ya, int xb, int yb, int w, QRgb colour) {
        const int dx = std::abs(xb - xa), dy = -std::abs(yb - ya);
        const int sx = xa < xb ? 1 : -1, sy = ya < yb ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            if (xa >= x0 - w && xa <= x1 + w)
                dot(xa, ya, w, colour);
            if (xa == xb && ya == yb)
                return;
            const int e2 = 2 * error;
            if (e2 >= dy) {
                error += dy;
                xa += sx;
            }
            if (e2 <= dx) {
                error += dx;
                ya += sy;
            }
        }
    }

private:
    QRgb *row(int y) { return reinterpret_cast<QRgb *>(bits + qptrdiff(y) * stride); }
    uchar *bits;
    qsizetype stride;
    int x0, x1, bottom;
};
} // namespace

trend_plot::trend_plot(const trend_store &store, QWidget *parent) : QWidget(parent), store(store) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize trend_plot::minimumSizeHint() const {
    return {400, 220};
}

bool trend_plot::scene::same_frame(const scene &o) const {
    if (ratio != o.ratio || any != o.any || time_ticks != o.time_ticks)
        return false;
    for (int k = 0; k < 2; ++k)
        if (area[k] != o.area[k] || pixels[k] != o.pixels[k] || value_ticks[k] != o.value_ticks[k])
            return false;
    return true;
}

void trend_plot::show_span(qint64 span, std::optional<qint64> end) {
    span_ms = span;
    end_ms = end;
    rebuild();
}

void trend_plot::resizeEvent(QResizeEvent *) {
    rebuild();
}

void trend_plot::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange) {
        widths.clear();
        rebuild();
    }
    QWidget::changeEvent(event);
}

void trend_plot::rebuild() {
    scene next = compute(devicePixelRatioF(), data);
    const bool whole = !next.same_frame(now) || layers[0].isNull();
    int from[2] = {INT_MAX, INT_MAX}, to[2] = {-1, -1};
    if (whole) {
        for (int k = 0; k < 2; ++k) {
            layers[k] = QImage(next.pixels[k].size(), QImage::Format_RGB32);
            from[k] = 0;
            to[k] = next.pixels[k].width() - 1;
        }
    } else {
        // Only the columns whose strokes changed, and the joins into them.
        const int width = std::max(1, qRound(next.ratio));
        for (int s = 0; s < trend_series_count; ++s) {
            const int k = plot_of(s);
            const QVector<shape> &a = now.shapes[s], &b = next.shapes[s];
            for (int c = 0; c < b.size(); ++c)
                if (c >= a.size() || a[c] != b[c]) {
                    int left = c;
                    if (c < a.size() && a[c].join_x >= 0)
                        left = std::min(left, a[c].join_x);
                    if (b[c].join_x >= 0)
                        left = std::min(left, b[c].join_x);
                    from[k] = std::min(from[k], left - width);
                    to[k] = std::max(to[k], c + width);
                }
        }
    }
    const bool any_change = whole || to[0] >= 0 || to[1] >= 0;
    now = std::move(next);
    if (!any_change)
        return;
    draw_layers(now, layers, from, to);
    if (whole) {
        update();
        return;
    }
    for (int k = 0; k < 2; ++k)
        if (to[k] >= from[k]) {
            const QRect &p = now.pixels[k];
            const QRectF device(p.left() + std::max(0, from[k]), p.top(),
                                std::min(p.width() - 1, to[k]) - std::max(0, from[k]) + 1,
                                p.height());
            const QRectF logical(device.topLeft() / now.ratio, device.size() / now.ratio);
            update(logical.toAlignedRect().intersected(now.area[k].toAlignedRect()));
        }
}

void trend_plot::read_columns(column_data &d, const span_columns &span) const {
    const int n = span.columns;
    const bool same = d.span == span && d.bounds.size() == n + 1;
    if (!same) {
        d.bounds.resize(n + 1);
        d.values.resize(n);
        for (int c = 0; c <= n; ++c)
            d.bounds[c] = store.lower_bound(span.start(c));
    }
    const QVector<qint64> before = d.bounds;
    const qint64 end = store.end_index(), first = store.first_index();
    if (same)
        for (int c = 0; c <= n; ++c) {
            // Readings come only after the newest: a bound short of it stays.
            if (d.bounds[c] == d.store_end)
                d.bounds[c] = store.lower_bound(span.start(c));
            d.bounds[c] = std::max(d.bounds[c], first);
        }
    // With many readings to a column its bounds are moved to the nearest whole block of the
    // store, a shift too small to see, which spares reading the partial blocks.
    QVector<qint64> used = d.bounds;
    if (span.whole_blocks)
        for (int c = 1; c < n; ++c) {
            const qint64 block = trend_store::column_block;
            used[c] = std::clamp((used[c] + block / 2) / block * block, used[c - 1], used[n]);
        }
    for (int c = 0; c < n; ++c) {
        const bool grew = d.store_end != end && used[c + 1] >= d.store_end;
        if (!same || grew || used[c] != before[c] || used[c + 1] != before[c + 1])
            d.values[c] = store.columns(used[c], used[c + 1]);
    }
    d.bounds = used;
    d.span = span;
    d.store_end = end;
}

// The labels are few and the same from frame to frame: measured once each.
qreal trend_plot::text_width(const QString &text) const {
    auto found = widths.constFind(text);
    if (found != widths.constEnd())
        return *found;
    if (widths.size() > 256)
        widths.clear();
    const qreal width = QFontMetricsF(font()).horizontalAdvance(text);
    widths.insert(text, width);
    return width;
}

trend_plot::scene trend_plot::compute(qreal ratio, column_data &d) const {
    // The columns follow from the left margin, which the labels of the value axes set: a guess
    // from the frame before, and once more if the labels need another margin.
    const qreal guess =
        now.area[0].left() > 0 ? now.area[0].left() : text_width(QStringLiteral("0000.00")) + 14;
    scene sc = compute(ratio, d, guess);
    if (sc.area[0].left() != guess)
        sc = compute(ratio, d, sc.area[0].left());
    return sc;
}

trend_plot::scene trend_plot::compute(qreal ratio, column_data &d, qreal label_guess) const {
    scene sc;
    sc.ratio = ratio;
    const QFontMetricsF fm(font());
    const qreal legend = fm.height() + 8;
    const qreal time_axis = fm.height() + 8;
    const qreal plot_height =
        std::max(24.0, (height() - top_margin - 2 * legend - gap_between_plots - time_axis) / 2);
    const qreal tops[2] = {top_margin + legend,
                           top_margin + legend + plot_height + gap_between_plots + legend};
    const int most_ticks = std::max(3, int(plot_height / (fm.height() * 1.3)));

    const int columns = std::max(8, int((width() - label_guess - right_margin) * ratio));
    span_columns span;
    span.columns = columns;
    sc.any = !store.empty();
    if (sc.any) {
        const qint64 newest = end_ms ? *end_ms : store.received_ms(store.end_index() - 1) + 1;
        if (span_ms > 0) {
            span.column_ms = double(span_ms) / columns;
        } else {
            const double needed =
                std::max(10'000.0, double(newest - store.received_ms(store.first_index()))) /
                (columns - 1);
            span.column_ms = std::pow(rung, std::ceil(std::log(needed) / std::log(rung)));
        }
        // A span ends with the newest reading; "全部" starts with the oldest, and grows to the
        // right.
        span.end_column = span_ms > 0
                              ? qint64(std::ceil(double(newest) / span.column_ms))
                              : qint64(std::floor(double(store.received_ms(store.first_index())) /
                                                  span.column_ms)) +
                                    columns;
        span.whole_blocks = store.size() / columns >= 4 * trend_store::column_block;
        if (end_ms)
            span.limit = *end_ms;
        read_columns(d, span);
        sc.first = d.bounds[0];
        sc.end = d.bounds[columns];
        sc.any = sc.first < sc.end;
    } else {
        d = column_data();
    }

    // Value axes around the shown data.
    double low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
    if (sc.any)
        for (const auto &column : d.values)
            for (int s = 0; s < trend_series_count; ++s)
                if (!column[std::size_t(s)].empty()) {
                    low[plot_of(s)] = std::min(low[plot_of(s)], double(column[std::size_t(s)].min));
                    high[plot_of(s)] =
                        std::max(high[plot_of(s)], double(column[std::size_t(s)].max));
                }
    value_axis axes[2];
    const double fallback[2][2] = {{1400, 1600}, {0, 30}};
    for (int k = 0; k < 2; ++k)
        axes[k] = low[k] <= high[k] ? fit_value_axis(low[k], high[k], most_ticks)
                                    : fit_value_axis(fallback[k][0], fallback[k][1], most_ticks);
    qreal label_width = 0;
    QVector<QPair<double, QString>> labels[2];
    for (int k = 0; k < 2; ++k)
        for (double t = std::ceil(axes[k].low / axes[k].step) * axes[k].step; t <= axes[k].high;
             t += axes[k].step) {
            // Rounded to its decimals, so that -0.000 shows as 0.000.
            const double shown = std::round(t / axes[k].step) * axes[k].step + 0.0;
            labels[k] << qMakePair(shown, QString::number(shown, 'f', axes[k].decimals));
            label_width = std::max(label_width, text_width(labels[k].last().second));
        }
    const qreal left = std::ceil(label_width * ratio + 14 * ratio) / ratio;
    for (int k = 0; k < 2; ++k) {
        const QPoint top_left(qRound(left * ratio), qRound(tops[k] * ratio));
        sc.pixels[k] = QRect(top_left, QSize(columns, qRound(plot_height * ratio)));
        sc.area[k] =
            QRectF(QPointF(sc.pixels[k].topLeft()) / ratio, QSizeF(sc.pixels[k].size()) / ratio);
    }
    const auto y_of = [&](int k, double value) {
        const int h = sc.pixels[k].height();
        const double y = (axes[k].high - value) / (axes[k].high - axes[k].low) * (h - 1);
        return int(std::floor(std::clamp(y, 0.0, double(h - 1))));
    };
    for (int k = 0; k < 2; ++k)
        for (const auto &[value, text] : labels[k])
            sc.value_ticks[k] << tick{y_of(k, value), text};
    if (!sc.any)
        return sc;

    // Time ticks at round wall-clock times, placed by the monotonic clock: the wall clock of the
    // newest reading shown says where its day and hours lie.
    const qint64 newest = sc.end - 1;
    const qint64 wall_offset = store.wall_ms(newest) - store.received_ms(newest);
    // The zone's offset is asked once a minute: Qt reads the zone's file each time.
    const qint64 minute = floor_div(store.wall_ms(newest), 60'000);
    if (minute != zone_minute) {
        zone_minute = minute;
        zone_ms = qint64(QDateTime::fromMSecsSinceEpoch(minute * 60'000).offsetFromUtc()) * 1000;
    }
    const qint64 zone = zone_ms;
    const qint64 local_offset = wall_offset + zone;
    const int most =
        std::max(1, int(sc.area[0].width() / (text_width(QStringLiteral("00:00:00")) + 28)));
    span_columns unlimited = span;
    unlimited.limit = LLONG_MAX;
    const qint64 from_ms = unlimited.start(0), to_ms = unlimited.start(columns);
    const qint64 step = time_tick_step(to_ms - from_ms, most);
    for (qint64 local = (floor_div(from_ms + local_offset - 1, step) + 1) * step;
         local < to_ms + local_offset; local += step) {
        const int x = int(std::floor(double(local - local_offset - from_ms) / span.column_ms));
        // By hand: QTime::toString goes through the calendar, a good part of a frame.
        const qint64 second = floor_div(local, 1000) - floor_div(local, 86'400'000) * 86'400;
        sc.time_ticks << tick{x, QString::asprintf("%02d:%02d:%02d", int(second / 3600),
                                                   int(second / 60 % 60), int(second % 60))};
    }

    // Per column the first, smallest, largest and last value, joined to the column before
    // unless the readings stopped between them.
    for (int s = 0; s < trend_series_count; ++s) {
        const int k = plot_of(s);
        QVector<shape> &shapes = sc.shapes[s];
        shapes.resize(columns);
        int previous = -1;
        qint64 previous_index = -1;
        for (int c = 0; c < columns; ++c) {
            const trend_column &col = d.values[c][std::size_t(s)];
            if (col.empty())
                continue;
            shape &sh = shapes[c];
            sh = {y_of(k, col.first), y_of(k, col.min), y_of(k, col.max), y_of(k, col.last)};
            std::swap(sh.min, sh.max); // upwards in value is downwards on screen
            if (previous >= 0 && !store.breaks_between(previous_index, col.first_index)) {
                sh.join_x = previous;
                sh.join_y = shapes[previous].last;
            }
            previous = c;
            previous_index = col.last_index;
        }
    }
    return sc;
}

void trend_plot::draw_layers(const scene &sc, QImage layers[2], const int from[2],
                             const int to[2]) {
    const int width = std::max(1, qRound(sc.ratio));
    for (int k = 0; k < 2; ++k) {
        if (to[k] < from[k])
            continue;
        layer_pen pen(layers[k], from[k], to[k]);
        pen.clear(qRgb(255, 255, 255));
        for (const tick &t : sc.value_ticks[k])
            pen.across(t.at, grid_colour.rgb());
        for (const tick &t : sc.time_ticks)
            pen.down(t.at, grid_colour.rgb());
        // The average last, over the readings it averages.
        const struct {
            trend_series series;
            QColor colour;
        } order[] = {{trend_velocity, velocity_colour},
                     {trend_average, average_colour},
                     {trend_temperature, temperature_colour}};
        for (const auto &line : order) {
            if (plot_of(line.series) != k)
                continue;
            const QRgb colour = line.colour.rgb();
            const QVector<shape> &shapes = sc.shapes[line.series];
            for (int c = 0; c < shapes.size(); ++c) {
                const shape &sh = shapes[c];
                if (!sh.present())
                    continue;
                const int reach = sh.join_x >= 0 ? sh.join_x : c;
                if (c < from[k] - width || reach > to[k] + width)
                    continue;
                if (sh.join_x >= 0)
                    pen.line(sh.join_x, sh.join_y, c, sh.first, width, colour);
                pen.stroke(c, sh.min, sh.max, width, colour);
            }
        }
    }
}

void trend_plot::paintEvent(QPaintEvent *event) {
    if (now.ratio != devicePixelRatioF() || layers[0].isNull()) {
        layers[0] = QImage();
        rebuild();
        QPainter p(this);
        paint(p, now, layers, QRegion(rect()));
        return;
    }
    QPainter p(this);
    paint(p, now, layers, event->region());
}

QImage trend_plot::picture(qreal ratio) const {
    column_data fresh;
    const scene sc = compute(ratio, fresh);
    QImage layers_now[2];
    const int from[2] = {0, 0};
    int to[2];
    for (int k = 0; k < 2; ++k) {
        layers_now[k] = QImage(sc.pixels[k].size(), QImage::Format_RGB32);
        to[k] = sc.pixels[k].width() - 1;
    }
    draw_layers(sc, layers_now, from, to);
    QImage image(size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    paint(p, sc, layers_now, QRegion(rect()));
    return image;
}

void trend_plot::paint(QPainter &p, const scene &sc, const QImage layers_now[2],
                       const QRegion &region) const {
    const qreal ratio = sc.ratio;
    // The plots' own pixels, one to one.
    p.save();
    p.scale(1 / ratio, 1 / ratio);
    for (int k = 0; k < 2; ++k)
        p.drawImage(sc.pixels[k].topLeft(), layers_now[k]);
    p.restore();
    // A frame that changed only columns of the plots is done.
    bool inside = true;
    for (const QRect &r : region)
        inside = inside && (sc.area[0].adjusted(-1, -1, 1, 1).contains(r) ||
                            sc.area[1].adjusted(-1, -1, 1, 1).contains(r));
    if (inside)
        return;

    QRegion around(rect());
    for (int k = 0; k < 2; ++k)
        around -= sc.area[k].toAlignedRect().adjusted(1, 1, -1, -1);
    p.save();
    p.setClipRegion(around);
    p.fillRect(rect(), Qt::white);
    p.restore();

    p.save();
    p.scale(1 / ratio, 1 / ratio);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(frame_colour, 1));
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 2; ++k)
        p.drawRect(sc.pixels[k].adjusted(-1, -1, 0, 0));
    p.restore();

    // Texts in logical pixels, where Qt draws them sharp at the device pixel ratio.
    const QFontMetricsF fm(font());
    p.setPen(text_colour);
    for (int k = 0; k < 2; ++k) {
        const QRectF &area = sc.area[k];
        const qreal label_right = area.left() - 6;
        for (const tick &t : sc.value_ticks[k]) {
            const qreal y = (sc.pixels[k].top() + t.at + 0.5) / ratio;
            p.drawText(QRectF(0, y - fm.height() / 2, label_right, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, t.label);
        }
        const QRectF row(area.left(), area.top() - fm.height() - 6, area.width(), fm.height());
        p.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, titles[k]);

        // The legend, right-aligned above the plot.
        struct entry {
            QString name;
            QColor colour;
        };
        const QVector<entry> entries =
            k == 0 ? QVector<entry>{{QStringLiteral("实时声速"), velocity_colour},
                                    {QStringLiteral("平均声速"), average_colour}}
                   : QVector<entry>{{QStringLiteral("温度"), temperature_colour}};
        qreal x = row.right();
        for (int i = entries.size() - 1; i >= 0; --i) {
            const qreal w = fm.horizontalAdvance(entries[i].name);
            x -= w;
            p.drawText(QRectF(x, row.top(), w, row.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       entries[i].name);
            x -= 22;
            p.fillRect(QRectF(x, row.center().y() - 1.5, 16, 3), entries[i].colour);
            x -= 14;
        }
        if (!sc.any)
            p.drawText(area, Qt::AlignCenter, QStringLiteral("暂无读数"));
    }
    const QRectF &bottom = sc.area[1];
    for (const tick &t : sc.time_ticks) {
        const qreal w = fm.horizontalAdvance(t.label);
        const qreal x =
            std::clamp((sc.pixels[1].left() + t.at + 0.5) / ratio - w / 2, 0.0, width() - w);
        p.drawText(QRectF(x, bottom.bottom() + 4, w, fm.height()), Qt::AlignCenter, t.label);
    }
}
