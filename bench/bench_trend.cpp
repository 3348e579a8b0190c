// Figures for the trend: what a reading costs the store, in time and memory, and what a frame of
// the trend window costs at the span "全部" (offscreen, so without the X server's share). Prints
// one table; not a test.
//
// bench_trend --picture PATH [WIDTH HEIGHT] instead draws the window over an hour and a half of
// simulated readings, the port closed for two minutes of it, and saves it as a PNG.
#include "instrument.h"
#include "link/stream.h"
#include "trend/trend_store.h"
#include "trend/trend_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {
struct fields {
    QString velocity, temperature;
    std::optional<QString> average;
};

// Records of the simulated instrument, split as the decoder splits them, with the block
// average of five the read-out would show.
std::vector<fields> simulated(int n, double temperature) {
    instrument source({9600, 30, true}, 35, 10, temperature, 7);
    std::vector<fields> out;
    out.reserve(std::size_t(n));
    double sum = 0;
    quint32 count = 0;
    QStringList parts;
    for (int i = 0; i < n; ++i) {
        const QString record = QString::fromStdString(source.next_record());
        split_fields(parts, QStringRef(&record, 2, record.size() - 2));
        fields f{parts.value(0), parts.value(1), add_to_average(sum, count, 5, parts.value(0))};
        out.push_back(f);
    }
    return out;
}

void append(trend_store &store, qint64 t, qint64 wall, const fields &f) {
    std::optional<QStringView> average;
    if (f.average)
        average = QStringView(*f.average);
    store.append(t, wall, f.velocity, QStringView(f.temperature), average);
}

qint64 thread_cpu_ns() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

long rss_kb() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Fills a store with n readings at 30 a second, ending now.
void fill(trend_store &store, const std::vector<fields> &pool, qint64 n) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (qint64 i = 0; i < n; ++i)
        append(store, i * 33, now - (n - i) * 33, pool[std::size_t(i % qint64(pool.size()))]);
}

// CPU per frame at "全部": each frame follows one new reading, as at 30 a second. Also the CPU
// of a change of span, which reads and draws every column afresh.
double frame_ms(qint64 readings, const std::vector<fields> &pool, double &span_change_ms,
                int span = 3) {
    trend_store store;
    fill(store, pool, readings);
    trend_window window(store, nullptr);
    window.present();
    window.set_span(3);
    QApplication::processEvents();
    const qint64 change_start = thread_cpu_ns();
    for (int i = 0; i < 10; ++i) {
        window.set_span(i % 2 == 0 ? 2 : 3);
        QApplication::processEvents();
    }
    span_change_ms = double(thread_cpu_ns() - change_start) / 10 / 1e6;
    window.set_span(span);
    const int frames = 200;
    qint64 t = readings * 33;
    const qint64 start = thread_cpu_ns();
    for (int i = 0; i < frames; ++i) {
        t += 67; // a reading a frame
        append(store, t, QDateTime::currentMSecsSinceEpoch(), pool[std::size_t(i)]);
        window.refresh();
        QApplication::processEvents();
    }
    return double(thread_cpu_ns() - start) / frames / 1e6;
}

int picture(const QString &path, const QStringList &args) {
    trend_store store;
    const std::vector<fields> pool = simulated(8 * 5400, 15.0);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 n = qint64(pool.size());
    for (qint64 i = 0; i < n; ++i) {
        const qint64 t = i * 125 + (i >= n / 2 ? 120'000 : 0);
        if (i == n / 2)
            store.mark_gap();
        append(store, t, now - (n - 1) * 125 - 120'000 + t, pool[std::size_t(i)]);
    }
    trend_window window(store, nullptr);
    window.present();
    window.set_span(2);
    if (args.size() >= 3)
        window.resize(args[1].toInt(), args[2].toInt());
    QApplication::processEvents();
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    double unused = 0;
    std::printf("| a frame at \"1 分钟\", 30 readings a second, ms of CPU | %.2f | - |\n",
                frame_ms(108'000, pool, unused, 0));
    return 0;
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == "--picture")
        return picture(args[2], args.mid(2));

    const std::vector<fields> pool = simulated(100'000, 15.0);
    const long rss_before = rss_kb();
    double append_ns = 0;
    qint64 held = 0;
    std::size_t counted = 0;
    {
        trend_store store;
        const qint64 n = trend_store::default_capacity + 100'000;
        const qint64 start = thread_cpu_ns();
        fill(store, pool, n);
        append_ns = double(thread_cpu_ns() - start) / n;
        held = store.size();
        counted = store.bytes_used();
        const long rss_after = rss_kb();
        std::printf("| measure | figure | target |\n|---|---|---|\n");
        std::printf("| append, ns a reading (amortised, %lld readings, the oldest dropped) | "
                    "%.0f | O(1) |\n",
                    n, append_ns);
        std::printf("| memory at %lld readings, bytes a reading (resident growth) | %.1f | <= 32 "
                    "|\n",
                    held, (rss_after - rss_before) * 1024.0 / held);
        std::printf("| memory at %lld readings, bytes a reading (the store's own count) | %.1f | "
                    "<= 32 |\n",
                    held, double(counted) / held);
    }
    for (const qint64 readings : {qint64(108'000), trend_store::default_capacity}) {
        double span_change = 0;
        const double frame = frame_ms(readings, pool, span_change);
        std::printf("| a frame at \"全部\", %lld readings, ms of CPU (900 x 560, offscreen) | "
                    "%.2f | flat |\n",
                    readings, frame);
        std::printf("| a change of span at %lld readings, ms of CPU | %.2f | < 100 |\n", readings,
                    span_change);
    }
    double unused = 0;
    std::printf("| a frame at \"1 分钟\", 30 readings a second, ms of CPU | %.2f | - |\n",
                frame_ms(108'000, pool, unused, 0));
    return 0;
}
