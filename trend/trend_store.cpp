#include "trend/trend_store.h"

#include "trend/field_code.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
enum field_kind : quint16 { absent = 0, decimal = 1, text = 2 };
constexpr int form_bits = 5; // a field's kind (2 bits) and decimals (3 bits)
constexpr quint16 gap_flag = 1;
constexpr quint16 times_aside_flag = 2;
constexpr quint32 far_received = std::numeric_limits<quint32>::max();
constexpr float no_value = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();

QStringView without_line_end(QStringView field) {
    if (field.endsWith(QLatin1String("\r\n")))
        field.chop(2);
    return field;
}

// A finite double as a float, the largest float where it is beyond them.
float as_float(double value) {
    const double largest = std::numeric_limits<float>::max();
    return float(std::clamp(value, -largest, largest));
}
} // namespace

struct trend_store::packed {
    quint32 received; // received_ms - the chunk's first
    qint32 wall;      // (wall_ms - received_ms) - the chunk's first
    qint32 field[3];  // a decimal's integer, or the float bits of a text's value
    quint16 form;     // form_bits per series
    quint16 flags;
};
static_assert(sizeof(trend_store::packed) == 24, "a reading is 24 bytes");

struct trend_store::chunk {
    qint64 received_base = 0;
    qint64 wall_base = 0;
    packed readings[std::size_t(1) << chunk_shift];
};

struct trend_store::aside {
    QString text[trend_series_count];
    qint64 received = 0;
    qint64 wall = 0;
};

struct trend_store::column_node {
    float min[trend_series_count] = {infinity, infinity, infinity};
    float max[trend_series_count] = {-infinity, -infinity, -infinity};
    void merge(const column_node &other) {
        for (int s = 0; s < trend_series_count; ++s) {
            min[s] = std::min(min[s], other.min[s]);
            max[s] = std::max(max[s], other.max[s]);
        }
    }
    bool has(int s) const { return min[s] <= max[s]; }
};

// Count, mean and sum of squared deviations, merged as Chan, Golub and LeVeque do: no
// cancellation even for a span of millions of readings near 1500 m/s.
struct trend_store::stats_node {
    struct part {
        double count = 0;
        double mean = 0;
        double m2 = 0;
        void merge(const part &other) {
            if (other.count == 0)
                return;
            const double total = count + other.count;
            const double delta = other.mean - mean;
            mean += delta * (other.count / total);
            m2 += other.m2 + delta * delta * (count * other.count / total);
            count = total;
        }
    } series[trend_series_count];
    void merge(const stats_node &other) {
        for (int s = 0; s < trend_series_count; ++s)
            series[s].merge(other.series[s]);
    }
};

namespace {
field_kind kind_of(const trend_store::packed &p, int series) {
    return field_kind((p.form >> (series * form_bits)) & 3);
}

int decimals_of(const trend_store::packed &p, int series) {
    return (p.form >> (series * form_bits + 2)) & 7;
}

float packed_value(const trend_store::packed &p, int series) {
    switch (kind_of(p, series)) {
    case decimal:
        return as_float(decimal_value({p.field[series], decimals_of(p, series)}));
    case text: {
        float value;
        std::memcpy(&value, &p.field[series], sizeof value);
        return value;
    }
    default:
        return no_value;
    }
}
} // namespace

trend_store::trend_store(qint64 capacity)
    : cap(std::max<qint64>(1, capacity)),
      column_pyramid(std::make_unique<pyramid<column_node, column_shift>>()),
      stats_pyramid(std::make_unique<pyramid<stats_node, stats_shift>>()) {}

trend_store::~trend_store() = default;

void trend_store::mark_gap() {
    gap_pending = true;
    ++change_count;
}

bool trend_store::time_gap(qint64 interval) const {
    if (interval < 1000 || interval_count == 0)
        return false;
    std::array<qint64, interval_history> sorted = intervals;
    const int n = std::min(interval_count, interval_history);
    std::nth_element(sorted.begin(), sorted.begin() + n / 2, sorted.begin() + n);
    return interval > 3 * sorted[std::size_t(n / 2)];
}

void trend_store::append(qint64 received_ms, qint64 wall_ms, QStringView velocity,
                         std::optional<QStringView> temperature,
                         std::optional<QStringView> average) {
    bool gap = false;
    if (end > 0) {
        received_ms = std::max(received_ms, last_received);
        const qint64 interval = received_ms - last_received;
        gap = gap_pending || time_gap(interval);
        // An interval across a closed port says nothing of the instrument's rate.
        if (!gap_pending)
            intervals[std::size_t(interval_count++ % interval_history)] = interval;
    }
    gap_pending = false;
    last_received = received_ms;
    if (size() == cap)
        drop_oldest();

    const int slot = int(end & ((1 << chunk_shift) - 1));
    if (slot == 0) {
        // Left uninitialised: every reading is written before it is read.
        chunks.push_back(std::unique_ptr<chunk>(new chunk));
        chunks.back()->received_base = received_ms;
        chunks.back()->wall_base = wall_ms - received_ms;
    }
    chunk &c = *chunks.back();
    packed &p = c.readings[slot];
    p.flags = gap ? gap_flag : 0;
    p.form = 0;
    aside *kept = nullptr;
    const auto keep_aside = [&]() -> aside & {
        if (!kept)
            kept = &asides[end];
        return *kept;
    };

    // A time too far from the chunk's base is kept aside; the offset kept then is the largest,
    // which still sorts it after every time within reach.
    const qint64 received = received_ms - c.received_base;
    const qint64 wall = wall_ms - received_ms - c.wall_base;
    p.received = quint32(std::min<qint64>(received, far_received));
    p.wall = qint32(wall);
    if (received >= far_received || wall != qint64(qint32(wall))) {
        p.flags |= times_aside_flag;
        keep_aside().received = received_ms;
        keep_aside().wall = wall_ms;
    }

    const std::optional<QStringView> fields[trend_series_count] = {velocity, average, temperature};
    column_node extremes;
    stats_node spread;
    for (int s = 0; s < trend_series_count; ++s) {
        p.field[s] = 0;
        if (!fields[s])
            continue;
        const QStringView field = without_line_end(*fields[s]);
        decimal_field number;
        float value;
        if (parse_decimal(field, number)) {
            p.form |= quint16((decimal | number.decimals << 2) << (s * form_bits));
            p.field[s] = number.mantissa;
            value = as_float(decimal_value(number));
        } else {
            p.form |= quint16(text << (s * form_bits));
            keep_aside().text[s] = field.toString();
            bool ok = false;
            const double parsed = keep_aside().text[s].toDouble(&ok);
            value = ok && std::isfinite(parsed) ? as_float(parsed) : no_value;
            std::memcpy(&p.field[s], &value, sizeof value);
        }
        if (std::isfinite(value)) {
            extremes.min[s] = extremes.max[s] = value;
            spread.series[s] = {1, value, 0};
        }
    }
    // The statistics take the exact value, not the float the plot needs.
    for (int s = 0; s < trend_series_count; ++s)
        if (spread.series[s].count != 0 && kind_of(p, s) == decimal)
            spread.series[s].mean = decimal_value({p.field[s], decimals_of(p, s)});
    column_pyramid->append(end, extremes);
    stats_pyramid->append(end, spread);
    if (gap)
        gaps.push_back(end);
    ++end;
    ++change_count;
}

void trend_store::drop_oldest() {
    ++first;
    if ((first & ((1 << chunk_shift) - 1)) == 0) {
        chunks.pop_front();
        ++first_chunk;
    }
    while (!asides.empty() && asides.begin()->first < first)
        asides.erase(asides.begin());
    while (!gaps.empty() && gaps.front() < first)
        gaps.pop_front();
    if ((first & ((1 << column_shift) - 1)) == 0) {
        column_pyramid->drop_before(first);
        stats_pyramid->drop_before(first);
    }
}

const trend_store::chunk &trend_store::chunk_of(qint64 index) const {
    return *chunks[std::size_t((index >> chunk_shift) - first_chunk)];
}

const trend_store::packed &trend_store::at(qint64 index) const {
    return chunk_of(index).readings[index & ((1 << chunk_shift) - 1)];
}

qint64 trend_store::received_ms(qint64 index) const {
    const packed &p = at(index);
    if (p.received == far_received)
        return asides.at(index).received;
    return chunk_of(index).received_base + p.received;
}

qint64 trend_store::wall_ms(qint64 index) const {
    const packed &p = at(index);
    if (p.flags & times_aside_flag)
        return asides.at(index).wall;
    const chunk &c = chunk_of(index);
    return c.received_base + p.received + c.wall_base + p.wall;
}

double trend_store::value(trend_series series, qint64 index) const {
    const packed &p = at(index);
    if (kind_of(p, series) == decimal)
        return decimal_value({p.field[series], decimals_of(p, series)});
    return packed_value(p, series);
}

bool trend_store::field_present(trend_series series, qint64 index) const {
    return kind_of(at(index), series) != absent;
}

bool trend_store::field_is_text(trend_series series, qint64 index) const {
    return kind_of(at(index), series) == text;
}

void trend_store::append_field(QByteArray &out, trend_series series, qint64 index) const {
    const packed &p = at(index);
    switch (kind_of(p, series)) {
    case decimal:
        append_decimal(out, {p.field[series], decimals_of(p, series)});
        break;
    case text:
        out.append(asides.at(index).text[series].toUtf8());
        break;
    default:
        break;
    }
}

trend_reading trend_store::reading(qint64 index) const {
    trend_reading r;
    r.received_ms = received_ms(index);
    r.wall_ms = wall_ms(index);
    const auto field = [&](trend_series s) -> std::optional<QString> {
        if (!field_present(s, index))
            return std::nullopt;
        if (field_is_text(s, index))
            return asides.at(index).text[s];
        QByteArray bytes;
        append_field(bytes, s, index);
        return QString::fromLatin1(bytes);
    };
    r.velocity = field(trend_velocity).value_or(QString());
    r.temperature = field(trend_temperature);
    r.average = field(trend_average);
    return r;
}

qint64 trend_store::lower_bound(qint64 ms) const {
    if (empty() || received_ms(first) >= ms)
        return first;
    // The last chunk that starts before ms holds the answer, or it is where the next one starts.
    std::size_t lo = 0, hi = chunks.size();
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (received_ms(qint64(first_chunk + qint64(mid)) << chunk_shift) < ms)
            lo = mid;
        else
            hi = mid;
    }
    const qint64 chunk_start = (first_chunk + qint64(lo)) << chunk_shift;
    const qint64 start = std::max(first, chunk_start);
    const qint64 stop = std::min(end, chunk_start + (qint64(1) << chunk_shift));
    const chunk &c = *chunks[lo];
    const qint64 offset = ms - c.received_base;
    if (offset < far_received) {
        const packed *found = std::partition_point(
            c.readings + (start - chunk_start), c.readings + (stop - chunk_start),
            [&](const packed &p) { return p.received < offset; });
        return chunk_start + (found - c.readings);
    }
    qint64 a = start, b = stop;
    while (a < b) {
        const qint64 mid = a + (b - a) / 2;
        if (received_ms(mid) < ms)
            a = mid + 1;
        else
            b = mid;
    }
    return a;
}

bool trend_store::gap_before(qint64 index) const {
    return at(index).flags & gap_flag;
}

bool trend_store::breaks_between(qint64 a, qint64 b) const {
    const auto next = std::upper_bound(gaps.begin(), gaps.end(), a);
    return next != gaps.end() && *next <= b;
}

std::array<trend_column, trend_series_count> trend_store::columns(qint64 from, qint64 to) const {
    std::array<trend_column, trend_series_count> out;
    from = std::max(from, first);
    to = std::min(to, end);
    if (from >= to)
        return out;
    float min[trend_series_count] = {infinity, infinity, infinity};
    float max[trend_series_count] = {-infinity, -infinity, -infinity};

    // Every value of [i0, i1): the partial blocks at either end.
    const auto scan = [&](qint64 i0, qint64 i1) {
        for (qint64 i = i0; i < i1; ++i) {
            const packed &p = at(i);
            for (int s = 0; s < trend_series_count; ++s) {
                if (kind_of(p, s) == absent)
                    continue;
                const float v = packed_value(p, s);
                if (!std::isfinite(v))
                    continue;
                trend_column &c = out[std::size_t(s)];
                if (c.first_index < 0) {
                    c.first_index = i;
                    c.first = v;
                }
                c.last_index = i;
                c.last = v;
                min[s] = std::min(min[s], v);
                max[s] = std::max(max[s], v);
            }
        }
    };
    // The first or the last point of a series in a block known to hold one.
    const auto end_point = [&](int s, qint64 i0, qint64 i1, bool first_one, qint64 &index,
                               float &value) {
        for (qint64 k = 0; k < i1 - i0; ++k) {
            const qint64 i = first_one ? i0 + k : i1 - 1 - k;
            const float v = packed_value(at(i), s);
            if (std::isfinite(v)) {
                index = i;
                value = v;
                return;
            }
        }
    };
    constexpr qint64 leaf = qint64(1) << column_shift;
    const qint64 lo_leaf = (from + leaf - 1) >> column_shift;
    const qint64 hi_leaf = to >> column_shift;
    if (lo_leaf >= hi_leaf) {
        scan(from, to);
    } else {
        scan(from, lo_leaf << column_shift);
        // The first and the last node holding each series, to look into for its end points.
        std::array<std::pair<int, qint64>, trend_series_count> first_node, last_node;
        first_node.fill({-1, 0});
        column_pyramid->cover(lo_leaf, hi_leaf, [&](int level, qint64 k, const column_node &n) {
            for (int s = 0; s < trend_series_count; ++s) {
                if (!n.has(s))
                    continue;
                min[s] = std::min(min[s], n.min[s]);
                max[s] = std::max(max[s], n.max[s]);
                if (first_node[std::size_t(s)].first < 0)
                    first_node[std::size_t(s)] = {level, k};
                last_node[std::size_t(s)] = {level, k};
            }
        });
        // Down to the block holding the end point.
        const auto block_of = [&](std::pair<int, qint64> node, int s, bool leftmost) {
            auto [level, k] = node;
            for (; level > 0; --level) {
                const qint64 left = 2 * k, right = 2 * k + 1;
                const bool take_left = leftmost ? column_pyramid->node(level - 1, left).has(s)
                                                : !column_pyramid->node(level - 1, right).has(s);
                k = take_left ? left : right;
            }
            return k;
        };
        for (int s = 0; s < trend_series_count; ++s) {
            if (first_node[std::size_t(s)].first < 0)
                continue;
            trend_column &c = out[std::size_t(s)];
            if (c.first_index < 0) {
                const qint64 k = block_of(first_node[std::size_t(s)], s, true);
                end_point(s, k << column_shift, (k + 1) << column_shift, true, c.first_index,
                          c.first);
            }
            const qint64 k = block_of(last_node[std::size_t(s)], s, false);
            end_point(s, k << column_shift, (k + 1) << column_shift, false, c.last_index, c.last);
        }
        scan(hi_leaf << column_shift, to);
    }
    for (int s = 0; s < trend_series_count; ++s) {
        out[std::size_t(s)].min = min[s];
        out[std::size_t(s)].max = max[s];
    }
    return out;
}

trend_stats trend_store::stats(trend_series series, qint64 from, qint64 to) const {
    from = std::max(from, first);
    to = std::min(to, end);
    trend_stats out;
    if (from >= to)
        return out;
    stats_node::part sum;
    const auto scan = [&](qint64 i0, qint64 i1) {
        for (qint64 i = i0; i < i1; ++i) {
            const double v = value(series, i);
            if (std::isfinite(v))
                sum.merge({1, v, 0});
        }
    };
    constexpr qint64 leaf = qint64(1) << stats_shift;
    const qint64 lo_leaf = (from + leaf - 1) >> stats_shift;
    const qint64 hi_leaf = to >> stats_shift;
    if (lo_leaf >= hi_leaf) {
        scan(from, to);
    } else {
        scan(from, lo_leaf << stats_shift);
        stats_pyramid->cover(lo_leaf, hi_leaf, [&](int, qint64, const stats_node &n) {
            sum.merge(n.series[series]);
        });
        scan(hi_leaf << stats_shift, to);
    }
    out.count = qint64(sum.count);
    if (out.count == 0)
        return out;
    const trend_column extremes = columns(from, to)[std::size_t(series)];
    out.min = extremes.min;
    out.max = extremes.max;
    out.mean = sum.mean;
    out.sd = out.count > 1 ? std::sqrt(std::max(0.0, sum.m2) / (sum.count - 1))
                           : std::numeric_limits<double>::quiet_NaN();
    return out;
}

std::size_t trend_store::bytes_used() const {
    std::size_t n = sizeof *this + chunks.size() * (sizeof(chunk) + sizeof(void *)) +
                    column_pyramid->bytes() + stats_pyramid->bytes() + gaps.size() * sizeof(qint64);
    for (const auto &[index, kept] : asides) {
        n += sizeof(kept) + 4 * sizeof(void *);
        for (const QString &t : kept.text)
            n += std::size_t(t.capacity()) * 2;
    }
    return n;
}
