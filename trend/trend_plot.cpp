#include "trend/trend_plot.h"

#include "trend/trend_store.h"

#include <QDateTime>
#include <QEvent>
#include <QPainter>
#include <QTime>

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

qint64 floor_div(qint64 a, qint64 b) {
    return a / b - (a % b < 0 ? 1 : 0);
}

// A span's readings split over the device pixel columns of a plot.
struct column_bounds {
    qint64 from_ms, span_ms;
    int columns;
    qint64 start_of(int c) const { return from_ms + qint64(double(span_ms) * c / columns); }
};

const QString titles[2] = {QStringLiteral("声速(m/s)"), QStringLiteral("温度(℃)")};
} // namespace

trend_plot::trend_plot(const trend_store &store, QWidget *parent) : QWidget(parent), store(store) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize trend_plot::minimumSizeHint() const {
    return {400, 220};
}

bool trend_plot::scene::operator==(const scene &o) const {
    if (ratio != o.ratio || any != o.any || time_ticks != o.time_ticks)
        return false;
    for (int k = 0; k < 2; ++k)
        if (area[k] != o.area[k] || pixels[k] != o.pixels[k] || value_ticks[k] != o.value_ticks[k])
            return false;
    for (int s = 0; s < 3; ++s)
        if (lines[s] != o.lines[s])
            return false;
    return true;
}

void trend_plot::show_span(qint64 from, qint64 to) {
    from_ms = from;
    to_ms = std::max(to, from + 1);
    shown_from = store.lower_bound(from_ms);
    shown_to = store.lower_bound(to_ms);
    rebuild();
}

void trend_plot::rebuild() {
    scene next = compute(devicePixelRatioF());
    if (next == scene_now)
        return;
    scene_now = std::move(next);
    update();
}

void trend_plot::resizeEvent(QResizeEvent *) {
    rebuild();
}

void trend_plot::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange)
        rebuild();
    QWidget::changeEvent(event);
}

trend_plot::scene trend_plot::compute(qreal ratio) const {
    scene sc;
    sc.ratio = ratio;
    const QFontMetricsF fm(font());
    const qreal legend = fm.height() + 8;
    const qreal time_axis = fm.height() + 8;
    const qreal plot_height =
        std::max(24.0, (height() - top_margin - 2 * legend - gap_between_plots - time_axis) / 2);
    const qreal tops[2] = {top_margin + legend,
                           top_margin + legend + plot_height + gap_between_plots + legend};

    const qint64 first = store.lower_bound(from_ms), end = store.lower_bound(to_ms);
    sc.any = first < end;
    const auto whole = store.columns(first, end);

    // Value axes from the shown data, and the left margin their labels need.
    const trend_column &v = whole[trend_velocity], &a = whole[trend_average];
    double low = INFINITY, high = -INFINITY;
    for (const trend_column *c : {&v, &a})
        if (!c->empty()) {
            low = std::min(low, double(c->min));
            high = std::max(high, double(c->max));
        }
    const int most_ticks = std::max(2, int(plot_height / (fm.height() * 1.5)));
    value_axis axes[2] = {
        fit_value_axis(low, high, most_ticks),
        fit_value_axis(whole[trend_temperature].min, whole[trend_temperature].max, most_ticks)};
    if (whole[trend_temperature].empty())
        axes[1] = fit_value_axis(0, 30, most_ticks);
    if (v.empty() && a.empty())
        axes[0] = fit_value_axis(1400, 1600, most_ticks);
    qreal label_width = 0;
    QStringList labels[2];
    QVector<double> tick_values[2];
    for (int k = 0; k < 2; ++k)
        for (double t = std::ceil(axes[k].low / axes[k].step) * axes[k].step; t <= axes[k].high;
             t += axes[k].step) {
            // Rounded to its decimals, so that -0.000 shows as 0.000.
            const double shown = std::round(t / axes[k].step) * axes[k].step + 0.0;
            tick_values[k] << shown;
            labels[k] << QString::number(shown, 'f', axes[k].decimals);
            label_width = std::max(label_width, fm.horizontalAdvance(labels[k].last()));
        }
    const qreal left = std::ceil(label_width) + 14;
    for (int k = 0; k < 2; ++k) {
        sc.area[k] =
            QRectF(left, tops[k], std::max(24.0, width() - left - right_margin), plot_height);
        const QRectF &r = sc.area[k];
        sc.pixels[k] = QRect(QPoint(qRound(r.left() * ratio), qRound(r.top() * ratio)),
                             QPoint(qRound(r.right() * ratio) - 1, qRound(r.bottom() * ratio) - 1));
    }
    const auto y_of = [&](int k, double value) {
        const QRect &p = sc.pixels[k];
        const double y =
            p.top() + (axes[k].high - value) / (axes[k].high - axes[k].low) * (p.height() - 1);
        return std::floor(std::clamp(y, double(p.top()), double(p.bottom())));
    };
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < tick_values[k].size(); ++i)
            sc.value_ticks[k] << tick{y_of(k, tick_values[k][i]), labels[k][i]};

    const int columns = sc.pixels[0].width();
    const column_bounds bounds{from_ms, to_ms - from_ms, columns};

    // Time ticks at round wall-clock times, placed by the monotonic clock: the wall clock of the
    // newest reading shown says where its day and hours lie.
    if (sc.any) {
        const qint64 newest = end - 1;
        const qint64 wall_offset = store.wall_ms(newest) - store.received_ms(newest);
        const qint64 zone =
            qint64(QDateTime::fromMSecsSinceEpoch(store.wall_ms(newest)).offsetFromUtc()) * 1000;
        const qint64 local_offset = wall_offset + zone;
        const int most = std::max(
            1, int(sc.area[0].width() / (fm.horizontalAdvance(QStringLiteral("00:00:00")) + 28)));
        const qint64 step = time_tick_step(bounds.span_ms, most);
        for (qint64 local = (floor_div(from_ms + local_offset - 1, step) + 1) * step;
             local < to_ms + local_offset; local += step) {
            const double x =
                sc.pixels[0].left() +
                std::floor(double(local - local_offset - from_ms) / bounds.span_ms * columns);
            const QTime time =
                QTime::fromMSecsSinceStartOfDay(int(local - floor_div(local, 86400000) * 86400000));
            sc.time_ticks << tick{x, time.toString(QStringLiteral("hh:mm:ss"))};
        }
    }

    // The lines: per pixel column the first, smallest, largest and last value, joined to the
    // column before unless the readings stopped between them.
    if (sc.any) {
        QPolygonF runs[3];
        qint64 last_index[3] = {-1, -1, -1};
        // Many readings to a column: its bounds move to the nearest whole block of the store,
        // a shift too small to see, which spares reading its partial blocks.
        const qint64 block = trend_store::column_block;
        const bool whole_blocks = (end - first) / columns >= 4 * block;
        qint64 column_end = first;
        for (int c = 0; c < columns; ++c) {
            const qint64 column_first = column_end;
            column_end = c + 1 == columns ? end : store.lower_bound(bounds.start_of(c + 1));
            if (whole_blocks && c + 1 < columns)
                column_end =
                    std::clamp((column_end + block / 2) / block * block, column_first, end);
            if (column_first == column_end)
                continue;
            const auto here = store.columns(column_first, column_end);
            const double x = sc.pixels[0].left() + c;
            for (int s = 0; s < 3; ++s) {
                const trend_column &col = here[std::size_t(s)];
                if (col.empty())
                    continue;
                const int k = s == trend_temperature ? 1 : 0;
                QPolygonF &run = runs[s];
                if (last_index[s] >= 0 && store.breaks_between(last_index[s], col.first_index)) {
                    sc.lines[s] << run;
                    run.clear();
                }
                for (const float value : {col.first, col.min, col.max, col.last}) {
                    const QPointF point(x, y_of(k, value));
                    if (run.isEmpty() || run.last() != point)
                        run << point;
                }
                last_index[s] = col.last_index;
            }
        }
        for (int s = 0; s < 3; ++s)
            if (!runs[s].isEmpty())
                sc.lines[s] << runs[s];
    }
    return sc;
}

void trend_plot::draw_lines(QPainter &p, const scene &sc) {
    const qreal ratio = sc.ratio;
    const int width = std::max(1, qRound(ratio));
    // The average last, over the readings it averages.
    const struct {
        trend_series series;
        QColor colour;
    } order[] = {{trend_velocity, velocity_colour},
                 {trend_average, average_colour},
                 {trend_temperature, temperature_colour}};
    for (const auto &line : order) {
        p.setClipRect(sc.pixels[line.series == trend_temperature ? 1 : 0]);
        p.setPen(QPen(line.colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        for (const QPolygonF &run : sc.lines[line.series]) {
            if (run.size() == 1)
                p.drawPoint(run.first());
            else
                p.drawPolyline(run);
        }
    }
    p.setClipping(false);
}

void trend_plot::paintEvent(QPaintEvent *) {
    if (scene_now.ratio != devicePixelRatioF())
        scene_now = compute(devicePixelRatioF());
    QPainter p(this);
    paint(p, scene_now);
}

QImage trend_plot::picture(qreal ratio) const {
    QImage image(size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    paint(p, compute(ratio));
    return image;
}

void trend_plot::paint(QPainter &p, const scene &sc) const {
    const qreal ratio = sc.ratio;
    p.fillRect(rect(), Qt::white);
    const QFontMetricsF fm(font());

    // Grid, frames and lines on device pixels.
    p.save();
    p.scale(1 / ratio, 1 / ratio);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(grid_colour, 1));
    for (int k = 0; k < 2; ++k) {
        const QRect &r = sc.pixels[k];
        for (const tick &t : sc.value_ticks[k])
            p.drawLine(QPointF(r.left(), t.at), QPointF(r.right(), t.at));
        for (const tick &t : sc.time_ticks)
            p.drawLine(QPointF(t.at, r.top()), QPointF(t.at, r.bottom()));
    }
    draw_lines(p, sc);
    p.setPen(QPen(frame_colour, 1));
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 2; ++k)
        p.drawRect(sc.pixels[k].adjusted(-1, -1, 0, 0));
    p.restore();

    // Texts in logical pixels, where Qt draws them sharp at the device pixel ratio.
    p.setPen(text_colour);
    for (int k = 0; k < 2; ++k) {
        const QRectF &area = sc.area[k];
        const qreal label_right = area.left() - 6;
        for (const tick &t : sc.value_ticks[k]) {
            const qreal y = (t.at + 0.5) / ratio;
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
        const qreal x = std::clamp((t.at + 0.5) / ratio - w / 2, 0.0, width() - w);
        p.drawText(QRectF(x, bottom.bottom() + 4, w, fm.height()), Qt::AlignCenter, t.label);
    }
}
