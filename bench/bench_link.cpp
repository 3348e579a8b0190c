// Figures for the serial link: records pushed through a real pseudo-terminal into the real window
// (offscreen). Prints one table; not a test.
#include "app/startup.h"
#include "support/observe.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
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

void row(const char *what, const QString &figure, const char *target) {
    std::printf("| %-52s | %18s | %-22s |\n", what, qPrintable(figure), target);
}
} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    drop_style_sheet_noise();
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
        "growth <= 10 MB");
    row("status-area lines kept", QString::number(w.staus_show->document()->blockCount()),
        "10,000 .. 20,000");

    // A wait of 2 s.
    const qint64 before = cpu_ms();
    w.Sleep(2000);
    row("CPU during a 2 s Sleep, % of it",
        QString::number(100.0 * (cpu_ms() - before) / 2000.0, 'f', 2), "<= 2");
    w.serial_port->close();
    return 0;
}
