// Figures for the serial link: records pushed through a real pseudo-terminal into the real window
// (offscreen). Prints one table; not a test.
#include "app/startup.h"
#include "support/observe.h"
#include "trend/trend_plot.h"
#include "ui/frmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {
int master_fd = -1;

QByteArray record(long i) {
    char text[40];
    std::snprintf(text, sizeof text, "$ %04ld.%03ld 25.000\r\n", 1000 + (i / 1000) % 9000,
                  i % 1000);
    return text;
}

// A child process writes count records: all at once, or each on its own every interval_us.
pid_t start_writer(long first, long count, long interval_us) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) & ~O_NONBLOCK);
    QByteArray block;
    for (long i = first; i < first + count; ++i) {
        const QByteArray r = record(i);
        if (interval_us > 0) {
            if (::write(master_fd, r.constData(), size_t(r.size())) < 0)
                _exit(1);
            usleep(useconds_t(interval_us));
            continue;
        }
        block += r;
        if (block.size() > 65536 || i == first + count - 1) {
            const char *p = block.constData();
            qint64 left = block.size();
            while (left > 0) {
                const ssize_t n = ::write(master_fd, p, size_t(left));
                if (n <= 0)
                    _exit(1);
                p += n;
                left -= n;
            }
            block.clear();
        }
    }
    _exit(0);
}

// Runs the event loop for ms as the program's own loop runs it. (QTest::qWait sleeps in 10 ms
// steps between batches of events, which would hold the display frames' timer up.)
void run_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Polls gently enough not to count in the CPU figures itself.
void wait_for(frmain &w, long last, int poll_ms = 1) {
    const QString want = QString::fromLatin1(record(last)).mid(2).section(' ', 0, 0);
    while (w.velocity_edit->text() != want)
        run_for(poll_ms);
}

// Waits until the window has shown everything it decoded: the read-outs and the status area
// follow a frame later, and a flood's echoes over several frames.
void wait_shown(frmain &w) {
    while (w.frame_pending())
        run_for(1);
}

// Waits for the writer while the window keeps reading the line.
void reap(pid_t pid, int poll_ms = 2) {
    while (waitpid(pid, nullptr, WNOHANG) != pid)
        run_for(poll_ms);
}

// How far the real-time read-out is behind the line: for each record, the time from the pass that
// read it to the first paint of the read-out showing it or a later one.
class screen_lag : public QObject {
public:
    explicit screen_lag(frmain &w) : w(w) {
        connect(w.serial_port, &QSerialPort::readyRead, this, [this] {
            read.push_back({index_of(this->w.velocity_text), clock.nsecsElapsed() / 1e6});
        });
        w.velocity_edit->installEventFilter(this);
        clock.start();
    }
    // Milliseconds: the median, the 99th percentile and the largest.
    QString figures() {
        std::sort(lags.begin(), lags.end());
        if (lags.empty())
            return "none";
        const auto at = [this](double q) { return lags[size_t(q * (lags.size() - 1))]; };
        return QString("%1 / %2 / %3")
            .arg(at(0.5), 0, 'f', 1)
            .arg(at(0.99), 0, 'f', 1)
            .arg(lags.back(), 0, 'f', 1);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint) {
            const long shown = index_of(w.velocity_edit->text());
            const double now = clock.nsecsElapsed() / 1e6;
            while (!read.empty() && read.front().first <= shown) {
                lags.push_back(now - read.front().second);
                read.pop_front();
            }
        }
        return false;
    }

private:
    // The inverse of record(): which record a velocity text is.
    static long index_of(const QString &velocity) {
        const long milli = qRound64(velocity.toDouble() * 1000);
        return (milli / 1000 - 1000) * 1000 + milli % 1000;
    }
    frmain &w;
    QElapsedTimer clock;
    std::deque<std::pair<long, double>> read;
    std::vector<double> lags;
};

QString row_text(const QString &what, const QString &figure, const char *target) {
    return QString::asprintf("| %-52s | %18s | %-22s |", qPrintable(what), qPrintable(figure),
                             target);
}

void row(const char *what, const QString &figure, const char *target) {
    std::printf("%s\n", qPrintable(row_text(what, figure, target)));
}

// The offscreen platform says so at each present() of the trend window.
QtMessageHandler handler_before = nullptr;
void drop_raise_notice(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text != QLatin1String("This plugin does not support raise()"))
        handler_before(type, context, text);
}

qint64 cpu_us() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1'000'000 +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// An hour of readings at 30 a second, received before the stream's first: what the trend holds
// when the operator opens it late in a session.
void fill_an_hour(trend_store &store) {
    const qint64 n = 30 * 3600;
    const qint64 wall_now = QDateTime::currentMSecsSinceEpoch();
    double sum = 0;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 before = (n - i) * 100 / 3;
        const double v = 1486.5 + 2.0 * std::sin(double(i) / 5000.0) + double(i % 7) * 0.003;
        const QString velocity = QString::number(v, 'f', 3);
        const QString temperature = QString::number(25.0 + std::sin(double(i) / 9000.0), 'f', 3);
        sum += v;
        std::optional<QString> average;
        if (i % 5 == 4) {
            average = QString::number(sum / 5, 'f', 3);
            sum = 0;
        }
        store.append(-before, wall_now - before, velocity, QStringView(temperature),
                     average ? std::optional<QStringView>(*average) : std::nullopt);
    }
}

// The trend window as the operator opens it: a double-click on the velocity read-out.
trend_window *open_trend(frmain &w) {
    QTest::mouseDClick(w.velocity_edit, Qt::LeftButton);
    // A plain dynamic_cast: the window has no meta-object of its own for findChild.
    for (QWidget *child : w.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (auto *trend = dynamic_cast<trend_window *>(child))
            return trend;
    return nullptr;
}

QAbstractButton *span_button(trend_window *trend, const QString &caption) {
    for (QAbstractButton *b : trend->findChildren<QAbstractButton *>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

// From a click on a span button, queued behind whatever the window has to do, to the end of the
// plot's first paint after it.
class span_change_timer : public QObject {
public:
    explicit span_change_timer(const trend_window *trend)
        : plot(const_cast<trend_plot *>(trend->plot())) {
        plot->installEventFilter(this);
    }
    ~span_change_timer() override { plot->removeEventFilter(this); }

    void click(QAbstractButton *button) {
        clicked = false;
        painted = false;
        const auto connection =
            connect(button, &QAbstractButton::clicked, this, [this] { clicked = true; });
        clock.start();
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
        while (!painted)
            run_for(1);
        disconnect(connection);
    }
    std::vector<double> ms;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && clicked) {
            clicked = false;
            // Timed once the paint is done.
            QTimer::singleShot(0, this, [this] {
                ms.push_back(clock.nsecsElapsed() / 1e6);
                painted = true;
            });
        }
        return false;
    }

private:
    trend_plot *plot;
    QElapsedTimer clock;
    bool clicked = false;
    bool painted = false;
};

// What the trend window costs: CPU per record with it closed and open (span "全部", an hour of
// readings held) at the instrument's rates and at line speed, in alternate rounds so that the
// machine's drift weighs on both; and how soon a change of span shows at line speed.
QStringList trend_rows(frmain &w, long &next, bool quick) {
    fill_an_hour(w.trend_history());
    trend_window *trend = open_trend(w);
    if (!trend)
        return {row_text("trend window", "not opened", "")};
    span_button(trend, QStringLiteral("全部"))->click();
    run_for(200);
    trend->close();

    const int rounds = quick ? 2 : 3;
    const int seconds = quick ? 6 : 15;
    QStringList rows;
    for (const long rate : {8L, 30L, 606L}) {
        std::vector<double> per_record[2], ratios;
        for (int r = 0; r < rounds; ++r) {
            double us[2] = {};
            for (int k = 0; k < 2; ++k) {
                const bool open = (k + r) % 2 == 1;
                if (open)
                    open_trend(w);
                else
                    trend->close();
                run_for(300);
                const long count = rate * seconds;
                const qint64 before = cpu_us();
                const pid_t writer = start_writer(next, count, 1000000 / rate);
                wait_for(w, next + count - 1, 200);
                reap(writer, 200);
                wait_shown(w);
                next += count;
                us[open] = double(cpu_us() - before) / double(count);
                per_record[open].push_back(us[open]);
            }
            ratios.push_back(us[1] / us[0]);
        }
        QString each;
        for (double ratio : ratios)
            each += QString::number(ratio, 'f', 2) + ' ';
        rows << row_text(QString("CPU per record at %1/s, us, trend closed / open").arg(rate),
                         QString("%1 / %2")
                             .arg(median(per_record[0]), 0, 'f', 0)
                             .arg(median(per_record[1]), 0, 'f', 0),
                         "")
             << row_text(QString("  open / closed, median (each round)"),
                         QString("%1 (%2)").arg(median(ratios), 0, 'f', 2).arg(each.trimmed()),
                         "<= 1.5");
    }

    // Span changes while records come at line speed.
    open_trend(w);
    run_for(300);
    const long count = 606L * (quick ? 6 : 12);
    const pid_t writer = start_writer(next, count, 1000000 / 606);
    span_change_timer timer(trend);
    const QString spans[] = {QStringLiteral("1 小时"),  QStringLiteral("全部"),
                             QStringLiteral("10 分钟"), QStringLiteral("全部"),
                             QStringLiteral("1 分钟"),  QStringLiteral("全部")};
    for (int i = 0; waitpid(writer, nullptr, WNOHANG) != writer; ++i) {
        run_for(400);
        timer.click(span_button(trend, spans[i % 6]));
    }
    wait_for(w, next + count - 1, 200);
    wait_shown(w);
    next += count;
    rows << row_text("span change to its frame at 606/s, ms median / max",
                     QString("%1 / %2 (%3 changes)")
                         .arg(median(timer.ms), 0, 'f', 1)
                         .arg(*std::max_element(timer.ms.begin(), timer.ms.end()), 0, 'f', 1)
                         .arg(timer.ms.size()),
                     "<= 100");
    trend->close();
    return rows;
}
} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    drop_style_sheet_noise();
    handler_before = qInstallMessageHandler(drop_raise_notice);
    const bool quick = argc > 1 && QByteArray(argv[1]) == "--quick";
    signal(SIGCHLD, SIG_DFL);

    int slave_fd = -1;
    char name[256] = {};
    openpty(&master_fd, &slave_fd, name, nullptr, nullptr);
    termios tio;
    tcgetattr(slave_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_fd, TCSANOW, &tio);
    QTemporaryDir dir;
    QFile::link(QString::fromLocal8Bit(name), QDir(dir.path()).filePath("COM1"));
    qputenv("ORVANE_PORT_DIR", dir.path().toLocal8Bit());

    frmain w(nullptr);
    w.setFixedSize(800, 650);
    w.show();
    w.baud_combo->setCurrentIndex(6);
    w.openCom1_slot();
    if (!w.serial_port->isOpen()) {
        std::fprintf(stderr, "cannot open %s\n", name);
        return 1;
    }
    w.avg_point_count = 5;

    std::printf("| %-52s | %18s | %-22s |\n|%s|%s|%s|\n", "measure", "figure", "target",
                QByteArray(54, '-').constData(), QByteArray(20, '-').constData(),
                QByteArray(24, '-').constData());
    long next = 0;
    // Measured first, with an hour of readings held and none of the rows below yet; printed last.
    const QStringList trend = trend_rows(w, next, quick);

    // Throughput with the writer going flat out.
    const long burst = quick ? 50000 : 200000;
    QElapsedTimer clock;
    clock.start();
    pid_t writer = start_writer(next, burst, 0);
    wait_for(w, next + burst - 1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    reap(writer);
    next += burst;
    row("throughput, records/s decoded, shown and echoed", QString::number(burst / seconds, 'f', 0),
        ">= 30,000");

    // Catch-up: 18,000 records wait in the port while the decoder is held off.
    w.save_busy = true;
    writer = start_writer(next, 18000, 0);
    reap(writer);
    while (w.serial_port->bytesAvailable() < 18000 * 19)
        run_for(5);
    w.save_busy = false;
    clock.restart();
    w.ReadMyCom_slot();
    wait_shown(w);
    const qint64 catch_up = clock.elapsed();
    next += 18000;
    const bool newest =
        w.velocity_edit->text() == QString::fromLatin1(record(next - 1)).mid(2).section(' ', 0, 0);
    row("catch-up, 18,000 waiting records, ms",
        QString("%1%2").arg(catch_up).arg(newest ? "" : " (stale!)"), "< 600, newest shown");

    // CPU at the instrument's fastest rate and at the line limit, each record on its own.
    const int span = quick ? 10 : 30;
    struct load_case {
        long rate;
        const char *what;
    };
    const load_case loads[] = {{30, "CPU at 30 records/s, % of one core"},
                               {606, "CPU at 606 records/s (115200 baud), % of one core"}};
    for (const load_case &load : loads) {
        const long count = load.rate * span;
        const qint64 before = cpu_ms();
        clock.restart();
        screen_lag lag(w);
        writer = start_writer(next, count, 1000000 / load.rate);
        wait_for(w, next + count - 1, 200);
        reap(writer, 200);
        const double share = 100.0 * double(cpu_ms() - before) / double(clock.elapsed());
        next += count;
        row(load.what, QString::number(share, 'f', 2), load.rate == 30 ? "<= 1" : "<= 10");
        row(qPrintable(
                QString("read-out behind the line at %1/s, ms p50 / p99 / max").arg(load.rate)),
            lag.figures(), "<= 70");
    }

    // Memory: resident size after 100,000 and after 1,000,000 records.
    const long total = quick ? 300000 : 1000000;
    writer = start_writer(next, 100000, 0);
    wait_for(w, next + 100000 - 1);
    reap(writer);
    wait_shown(w);
    next += 100000;
    const long rss_100k = rss_kib();
    writer = start_writer(next, total - 100000, 0);
    wait_for(w, next + total - 100000 - 1);
    reap(writer);
    wait_shown(w);
    next += total - 100000;
    const long rss_1m = rss_kib();
    row(qPrintable(QString("resident MB after 100,000 / after %1 records").arg(total)),
        QString("%1 / %2").arg(rss_100k / 1024.0, 0, 'f', 1).arg(rss_1m / 1024.0, 0, 'f', 1),
        // The trend keeps every reading, up to 32 bytes each; the rest must not grow.
        qPrintable(
            QString("growth <= 10 MB + %1 MB").arg(32.0 * (total - 100000) / 1048576, 0, 'f', 1)));
    row("status-area lines kept", QString::number(w.staus_show->document()->blockCount()),
        "10,000 .. 20,000");

    // A wait of 2 s.
    const qint64 before = cpu_ms();
    w.Sleep(2000);
    row("CPU during a 2 s Sleep, % of it",
        QString::number(100.0 * (cpu_ms() - before) / 2000.0, 'f', 2), "<= 2");
    for (const QString &line : trend)
        std::printf("%s\n", qPrintable(line));
    w.serial_port->close();
    return 0;
}
