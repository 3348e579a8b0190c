#ifndef SIM_PROCESS_H
#define SIM_PROCESS_H

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// The simulated instrument as a separate process, on COM1 in a private port directory that
// ORVANE_PORT_DIR points to. The test may also play the terminal on the link itself.
class sim_process {
public:
    explicit sim_process(const QStringList &args = {});
    ~sim_process();

    bool started() const { return ready; }
    QString link_path() const;
    QString port_dir() const { return dir.path(); }

    // Stops the simulator with SIGTERM and waits for it; returns what it wrote to stderr.
    QString stop();
    QProcess &process() { return proc; }

    // Playing the terminal: open the link raw at a baud rate, write, read for a while.
    bool open_line(int baud);
    void set_baud(int baud);
    void write(const QByteArray &bytes);
    QByteArray read_for(int ms);
    // Reads until what was read satisfies done, or until limit_ms have passed.
    QByteArray read_until(const std::function<bool(const QByteArray &)> &done, int limit_ms);

private:
    QTemporaryDir dir;
    QProcess proc;
    bool ready = false;
    int fd = -1;
};

#endif
