#ifndef PTY_INSTRUMENT_H
#define PTY_INSTRUMENT_H

#include <QByteArray>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QVector>
#include <memory>

// A pseudo-terminal pair owned by the test, which plays the instrument on the master side. The
// slave is linked as COM1 (or another name) in a private port directory, and ORVANE_PORT_DIR
// points there, so the window opens it through its port list like a real port.
class pty_instrument {
public:
    explicit pty_instrument(const QString &port = "COM1");
    ~pty_instrument();

    bool ok() const { return master_fd >= 0; }
    QString port_dir() const { return dir.path(); }
    QString slave_path() const { return slave_name; }

    // Writes bytes as the instrument sends them, in one write.
    void write(const QByteArray &bytes);

    struct byte_seen {
        char byte;
        qint64 at_ms; // on a monotonic clock shared by all readers
    };
    // What the terminal sent, time-stamped as each byte arrived (a notifier reads the master side
    // whenever events are processed, including inside the window's own waits). read_for returns
    // what arrived until ms milliseconds from now and forgets it.
    QVector<byte_seen> read_for(int ms);
    // Reads until the bytes seen so far end with `tail` or ms milliseconds pass.
    QVector<byte_seen> read_until(const QByteArray &tail, int ms);
    static QByteArray bytes_of(const QVector<byte_seen> &seen);

    // The far end goes away: the master side is closed.
    void hang_up();

    // The slave's line settings as the terminal left them.
    bool line_settings(int *baud, int *data_bits, bool *parity, bool *two_stop) const;

private:
    void drain();
    QVector<byte_seen> received;
    std::unique_ptr<QSocketNotifier> notifier;
    QTemporaryDir dir;
    QString slave_name;
    int master_fd = -1;
    int slave_fd = -1;
};

qint64 monotonic_ms();

#endif
