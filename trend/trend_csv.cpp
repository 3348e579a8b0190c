#include "trend/trend_csv.h"

#include "trend/trend_store.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <limits>

namespace {
// Local time, as "yyyy-MM-dd hh:mm:ss.zzz", asking the time zone once a minute of readings
// rather than for every row: offsets change on whole minutes.
class local_time_text {
public:
    void append(QByteArray &out, qint64 wall_ms) {
        const qint64 minute = floor_div(wall_ms, 60000);
        if (minute != cached_minute) {
            cached_minute = minute;
            offset_ms =
                qint64(QDateTime::fromMSecsSinceEpoch(minute * 60000).offsetFromUtc()) * 1000;
        }
        const qint64 local = wall_ms + offset_ms;
        const qint64 days = floor_div(local, 86400000);
        const qint64 ms_of_day = local - days * 86400000;
        const QDate date = QDate::fromJulianDay(days + 2440588);
        number(out, date.year(), 4);
        out.append('-');
        number(out, date.month(), 2);
        out.append('-');
        number(out, date.day(), 2);
        out.append(' ');
        number(out, ms_of_day / 3600000, 2);
        out.append(':');
        number(out, ms_of_day / 60000 % 60, 2);
        out.append(':');
        number(out, ms_of_day / 1000 % 60, 2);
        out.append('.');
        number(out, ms_of_day % 1000, 3);
    }

private:
    static qint64 floor_div(qint64 a, qint64 b) { return a / b - (a % b < 0 ? 1 : 0); }
    static void number(QByteArray &out, qint64 value, int width) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = char('0' + value % 10);
            value /= 10;
        } while (value > 0 || n < width);
        while (n > 0)
            out.append(digits[--n]);
    }
    qint64 cached_minute = std::numeric_limits<qint64>::min();
    qint64 offset_ms = 0;
};

void append_quoted(QByteArray &out, const QByteArray &field) {
    if (field.indexOf(',') < 0 && field.indexOf('"') < 0 && field.indexOf('\r') < 0 &&
        field.indexOf('\n') < 0) {
        out.append(field);
        return;
    }
    out.append('"');
    for (const char c : field) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}
} // namespace

QByteArray trend_csv_header() {
    return QByteArray("\xEF\xBB\xBF") +
           QStringLiteral("时间,声速(m/s),平均声速(m/s),温度(℃)").toUtf8() + "\r\n";
}

QByteArray trend_csv_rows(const trend_store &store, qint64 from, qint64 to) {
    from = std::max(from, store.first_index());
    to = std::min(to, store.end_index());
    QByteArray out;
    out.reserve(int(std::max<qint64>(0, to - from) * 48));
    local_time_text time;
    QByteArray field;
    for (qint64 i = from; i < to; ++i) {
        time.append(out, store.wall_ms(i));
        for (const trend_series s : {trend_velocity, trend_average, trend_temperature}) {
            out.append(',');
            if (store.field_is_text(s, i)) {
                field.clear();
                store.append_field(field, s, i);
                append_quoted(out, field);
            } else {
                store.append_field(out, s, i);
            }
        }
        out.append("\r\n");
    }
    return out;
}
