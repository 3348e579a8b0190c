#ifndef TREND_STORE_H
#define TREND_STORE_H

#include "trend/pyramid.h"

#include <QString>
#include <QStringView>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The three lines of the trend, in the order of the export's columns.
enum trend_series { trend_velocity, trend_average, trend_temperature };
constexpr int trend_series_count = 3;

// One series over a range of readings, for a pixel column: its first and last point (reading
// index and value) and its smallest and largest value. Empty when the range has no point of it.
struct trend_column {
    qint64 first_index = -1;
    qint64 last_index = -1;
    float first = 0;
    float last = 0;
    float min = 0;
    float max = 0;
    bool empty() const { return first_index < 0; }
};

// One series over a range: its points, their extremes, mean and sample standard deviation (NaN
// below two points).
struct trend_stats {
    qint64 count = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double sd = 0;
};

// A reading as it was handed over.
struct trend_reading {
    qint64 received_ms = 0;
    qint64 wall_ms = 0;
    QString velocity;
    std::optional<QString> temperature;
    std::optional<QString> average;
};

// Every reading since the program started, up to a cap (the oldest dropped first), in about 27
// bytes a reading: times as offsets from a base kept every 4096 readings, numeric fields as an
// integer and their decimals (the rare text that is no such number kept aside), and two
// pyramids: the smallest and largest value of each series per 16 readings, for the plot's pixel
// columns, and count, mean and spread per 1024, for the statistics. A reading is known by its
// index, counted from the first reading ever appended.
class trend_store {
public:
    static constexpr qint64 default_capacity = 2'000'000;
    explicit trend_store(qint64 capacity = default_capacity);
    ~trend_store();
    trend_store(const trend_store &) = delete;
    trend_store &operator=(const trend_store &) = delete;

    // received_ms: a monotonic clock (never earlier than the reading before); wall_ms: the wall
    // clock at the same moment. The fields as the instrument sent them; a CR LF ending one (the
    // record's line end) is not part of it. A temperature only when the record had one; an average
    // only when the reading completed a block.
    void append(qint64 received_ms, qint64 wall_ms, QStringView velocity,
                std::optional<QStringView> temperature, std::optional<QStringView> average);
    // The line breaks before the next reading (the port closed or was lost).
    void mark_gap();

    qint64 capacity() const { return cap; }
    qint64 first_index() const { return first; }
    qint64 end_index() const { return end; }
    qint64 size() const { return end - first; }
    bool empty() const { return end == first; }
    // Grows with every append and gap: a view has nothing new to show while it stays the same.
    quint64 changes() const { return change_count; }

    // For indices in [first_index(), end_index()).
    qint64 received_ms(qint64 index) const;
    qint64 wall_ms(qint64 index) const;
    // The value a series plots at a reading: NaN where it has none, or its text is no finite
    // number.
    double value(trend_series series, qint64 index) const;
    trend_reading reading(qint64 index) const;
    // Appends the reading's fields, each as it came, to out (UTF-8); absent ones add nothing.
    void append_field(QByteArray &out, trend_series series, qint64 index) const;
    bool field_present(trend_series series, qint64 index) const;
    // Whether the field's text came as something other than a plain decimal number.
    bool field_is_text(trend_series series, qint64 index) const;

    // The first reading received at or after ms (end_index() if none).
    qint64 lower_bound(qint64 ms) const;
    // Whether the line breaks between reading a and reading b > a.
    bool breaks_between(qint64 a, qint64 b) const;
    bool gap_before(qint64 index) const;

    // Every series over the readings [from, to), in O(log n); quickest where both are multiples
    // of column_block.
    static constexpr qint64 column_block = 16;
    std::array<trend_column, trend_series_count> columns(qint64 from, qint64 to) const;
    // Velocity or temperature over [from, to), in O(log n).
    trend_stats stats(trend_series series, qint64 from, qint64 to) const;

    // What the store holds in memory, near enough.
    std::size_t bytes_used() const;

    struct packed;
    struct chunk;
    struct column_node;
    struct stats_node;

private:
    const packed &at(qint64 index) const;
    const chunk &chunk_of(qint64 index) const;
    void drop_oldest();
    bool time_gap(qint64 interval) const;

    static constexpr int chunk_shift = 12;
    static constexpr int column_shift = 4; // column_block
    static constexpr int stats_shift = 10;
    static constexpr int interval_history = 20;

    qint64 cap;
    qint64 first = 0;
    qint64 end = 0;
    quint64 change_count = 0;
    std::deque<std::unique_ptr<chunk>> chunks; // chunks.front() holds reading first_chunk << 12
    qint64 first_chunk = 0;
    // The rare field that is no plain number, and times too far from their chunk's base.
    struct aside;
    std::map<qint64, aside> asides;
    std::deque<qint64> gaps; // readings before which the line breaks, in order
    bool gap_pending = false;
    qint64 last_received = 0;
    // The intervals between the last readings, for the median.
    std::array<qint64, interval_history> intervals{};
    int interval_count = 0;
    std::unique_ptr<pyramid<column_node, column_shift>> column_pyramid;
    std::unique_ptr<pyramid<stats_node, stats_shift>> stats_pyramid;
};

#endif
