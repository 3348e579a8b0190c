#ifndef PTY_INSTRUMENT_H
#define PTY_INSTRUMENT_H

#include <QByteArray>
#include <QTemporaryDir>
#include <QVector>

#include <mutex>
#include <thread>

// A pseudo-terminal pair owned by the test, which plays the instrument on the master side. The
// slave is linked as COM1 (or another name) in a private port directory, and ORVANE_PORT_DIR
// points there, so the window opens it through its port list like a real port.
class pty_instrument {
public:
    explicit pty_instrument(const QString &port = "COM1");
    // Linked in a port directory of the test's own, where the next one can take its place: a
    // device that goes and comes back.
    pty_instrument(const QString &port, const QString &port_dir);
    ~pty_instrument();

    bool ok() const { return master_fd >= 0; }
    QString port_dir() const { return dir.path(); }
    QString slave_path() const { return slave_name; }

    // Writes bytes as the instrument sends them, in one write.
    void write(const QByteArray &bytes);

    struct byte_seen {
        char byte;
        double at_ms; // on the monotonic clock of monotonic_ms, to the microsecond
    };
    // What the terminal sent, time-stamped as each byte arrived: a thread of its own reads the
    // master side, so a busy GUI thread cannot bunch the stamps up. read_for processes events
    // for ms milliseconds, then returns what arrived and forgets it.
    QVector<byte_seen> read_for(int ms);
    // Reads until the bytes seen so far end with `tail` or ms milliseconds pass; with
    // process_events false the test's thread only sleeps meanwhile.
    QVector<byte_seen> read_until(const QByteArray &tail, int ms, bool process_events = true);
    static QByteArray bytes_of(const QVector<byte_seen> &seen);

    // The far end goes away: the master side is closed.
    void hang_up();

    // Bytes sent by the instrument that the terminal has not read from the line yet.
    int unread_by_terminal() const;

    // The slave's line settings as the terminal left them.
    bool line_settings(int *baud, int *data_bits, bool *parity, bool *two_stop) const;

private:
    void read_master();
    QVector<byte_seen> take_received();
    std::mutex lock;
    QVector<byte_seen> received;
    std::thread reader;
    int wake_fds[2] = {-1, -1};
    QTemporaryDir dir;
    QString slave_name;
    QString link_path;
    int master_fd = -1;
    int slave_fd = -1;
};

qint64 monotonic_ms();

#endif
