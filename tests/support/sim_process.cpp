#include "support/sim_process.h"
#include "sim/terminal_speed.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

sim_process::sim_process(const QStringList &args) {
    qputenv("ORVANE_PORT_DIR", dir.path().toLocal8Bit());
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    proc.start(ORVANE_SIM_PATH, QStringList{dir.path()} + args);
    if (!proc.waitForStarted(5000))
        return;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && !proc.canReadLine())
        proc.waitForReadyRead(100);
    ready = proc.readLine().startsWith("orvane-sim: ") && QFile::exists(link_path());
}

sim_process::~sim_process() {
    if (fd >= 0)
        ::close(fd);
    stop();
}

QString sim_process::link_path() const {
    return QDir(dir.path()).filePath("COM1");
}

QString sim_process::stop() {
    if (proc.state() != QProcess::NotRunning) {
        ::kill(pid_t(proc.processId()), SIGTERM);
        if (!proc.waitForFinished(5000)) {
            proc.kill();
            proc.waitForFinished(2000);
        }
    }
    return QString::fromLocal8Bit(proc.readAllStandardError());
}

bool sim_process::open_line(int baud) {
    fd = ::open(link_path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    set_baud(baud);
    return true;
}

void sim_process::set_baud(int baud) {
    termios tio;
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, baud_speed(baud) ? baud_speed(baud) : B9600);
    tcsetattr(fd, TCSANOW, &tio);
}

void sim_process::write(const QByteArray &bytes) {
    if (fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) < 0)
        qWarning("write to the simulator failed");
}

QByteArray sim_process::read_for(int ms) {
    return read_until([](const QByteArray &) { return false; }, ms);
}

QByteArray sim_process::read_until(const std::function<bool(const QByteArray &)> &done,
                                   int limit_ms) {
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    char buf[4096];
    do {
        for (;;) {
            const ssize_t n = fd >= 0 ? ::read(fd, buf, sizeof buf) : -1;
            if (n <= 0)
                break;
            out.append(buf, int(n));
        }
        if (done(out))
            break;
        QTest::qWait(5);
    } while (clock.elapsed() < limit_ms);
    return out;
}
