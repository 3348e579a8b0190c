#include "support/pty_instrument.h"
#include "sim/terminal_speed.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

qint64 monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

pty_instrument::pty_instrument(const QString &port) : pty_instrument(port, QString()) {}

pty_instrument::pty_instrument(const QString &port, const QString &port_dir) {
    const QString in_dir = port_dir.isEmpty() ? dir.path() : port_dir;
    char name[256] = {};
    if (openpty(&master_fd, &slave_fd, name, nullptr, nullptr) != 0) {
        master_fd = slave_fd = -1;
        return;
    }
    slave_name = QString::fromLocal8Bit(name);
    termios tio;
    tcgetattr(slave_fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(slave_fd, TCSANOW, &tio);
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);
    link_path = QDir(in_dir).filePath(port);
    QFile::remove(link_path);
    QFile::link(slave_name, link_path);
    qputenv("ORVANE_PORT_DIR", in_dir.toLocal8Bit());
    if (pipe(wake_fds) != 0)
        return;
    reader = std::thread([this] { read_master(); });
    // Real-time, where allowed: woken at once, the reader's stamps do not lag behind the line
    // while the machine is busy, which would make a gap look shorter than it was.
    const sched_param param = {10};
    pthread_setschedparam(reader.native_handle(), SCHED_FIFO, &param);
}

pty_instrument::~pty_instrument() {
    // Gone as a pulled adapter goes: its node with it.
    QFile::remove(link_path);
    hang_up();
    if (slave_fd >= 0)
        ::close(slave_fd);
    for (int fd : wake_fds)
        if (fd >= 0)
            ::close(fd);
}

void pty_instrument::write(const QByteArray &bytes) {
    qint64 done = 0;
    while (master_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else
            QTest::qWait(1);
    }
}

void pty_instrument::read_master() {
    char buf[4096];
    for (;;) {
        pollfd fds[2] = {{master_fd, POLLIN, 0}, {wake_fds[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || fds[1].revents)
            return;
        for (;;) {
            const ssize_t n = ::read(master_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            const double now = ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
            std::lock_guard<std::mutex> hold(lock);
            for (ssize_t i = 0; i < n; ++i)
                received.push_back({buf[i], now});
        }
    }
}

QVector<pty_instrument::byte_seen> pty_instrument::take_received() {
    std::lock_guard<std::mutex> hold(lock);
    QVector<byte_seen> seen;
    seen.swap(received);
    return seen;
}

QVector<pty_instrument::byte_seen> pty_instrument::read_for(int ms) {
    return read_until(QByteArray(), ms);
}

QVector<pty_instrument::byte_seen> pty_instrument::read_until(const QByteArray &tail, int ms,
                                                              bool process_events) {
    const qint64 end = monotonic_ms() + ms;
    for (;;) {
        if (!tail.isEmpty()) {
            std::lock_guard<std::mutex> hold(lock);
            if (bytes_of(received).endsWith(tail))
                break;
        }
        if (monotonic_ms() >= end)
            break;
        if (process_events)
            QTest::qWait(1);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return take_received();
}

QByteArray pty_instrument::bytes_of(const QVector<byte_seen> &seen) {
    QByteArray bytes;
    for (const byte_seen &b : seen)
        bytes.append(b.byte);
    return bytes;
}

void pty_instrument::hang_up() {
    if (reader.joinable()) {
        if (::write(wake_fds[1], "x", 1) != 1)
            qWarning("cannot stop the line reader");
        reader.join();
    }
    if (master_fd >= 0)
        ::close(master_fd);
    master_fd = -1;
}

int pty_instrument::unread_by_terminal() const {
    int n = 0;
    return ioctl(slave_fd, FIONREAD, &n) == 0 ? n : -1;
}

bool pty_instrument::line_settings(int *baud, int *data_bits, bool *parity, bool *two_stop) const {
    termios tio;
    if (tcgetattr(slave_fd, &tio) != 0)
        return false;
    *baud = baud_of(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        *data_bits = 5;
        break;
    case CS6:
        *data_bits = 6;
        break;
    case CS7:
        *data_bits = 7;
        break;
    default:
        *data_bits = 8;
        break;
    }
    *parity = tio.c_cflag & PARENB;
    *two_stop = tio.c_cflag & CSTOPB;
    return true;
}
