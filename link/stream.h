#ifndef STREAM_H
#define STREAM_H

#include "ui/display.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QIODevice;

// The measurement stream: bytes from the instrument in; records, the block average, what the
// read-outs and the status area show next, and what the record file gets, out. It holds no widget:
// it works on the window's members that the interface names, and writes what is to be shown into
// the display's next frame.
class measurement_stream {
public:
    // The window's members the stream reads and rewrites for every record.
    struct members {
        QString &rx_text;
        QStringList &rx_fields;
        QString &velocity_text;
        QString &temperature_text;
        double &velocity_sum;
        quint32 &velocity_count;
        const quint32 &avg_point_count;
    };
    // One reading as decoded, for whoever keeps readings with their times.
    struct reading {
        qint64 received_ms; // a monotonic clock, from the stream's start
        qint64 wall_ms;     // the wall clock, at the same moment
        const QString &velocity;
        const QString *temperature; // null where the record had none
        const QString *average;     // where this reading completed a block
    };

    measurement_stream(members m, display_frame &next_frame);

    // Every byte for the record file, in order, whole records during a sequence.
    std::function<void(const QByteArray &)> to_file;
    // Each reading as it is decoded.
    std::function<void(const reading &)> on_reading;

    // Reads what the device holds (and what was kept from a lost device first) and decodes it.
    // during_sequence: the instrument's replies go to the status area and stay out of the file.
    // Returns whether the next frame has something new.
    bool read(QIODevice *device, bool during_sequence);
    // What a lost device held: decoded by the next read, after what came before it.
    void keep_unread(QIODevice *device);
    bool holds_unread() const { return !unread.isEmpty(); }
    // A new session: nothing of a record or an average from before.
    void start_afresh();

private:
    bool decode();
    void split_for_file(bool during_sequence);

    members m;
    display_frame &frame;
    QByteArray chunk;  // what the last pass read
    QByteArray unread; // what a lost device held, not yet decoded
    // Where a record stands in the byte stream, for the record file.
    bool in_record = false; // a "$" came, and no CR LF since
    bool after_cr = false;  // the last byte was a CR
    QByteArray held;        // what came of that record during a sequence, not yet placed
    QElapsedTimer clock;
};

// Longest unterminated record the accumulator holds while it waits for the line end.
constexpr int max_pending_record = 4096;

// Appends the text of a chunk read from the port: UTF-8, with NUL bytes left out. ASCII, the
// instrument's usual output, is appended without a temporary string.
void append_chunk_text(QString &to, const QByteArray &chunk);

// What take_records does after the last complete record: removes the first `taken` characters
// of the accumulator, then what is left if it is too long to become a record.
void drop_taken_records(QString &acc, int taken);

// Hands every complete record in the accumulator to take, in order, then removes them. A record
// is the text from the last "$" before a CR LF (noise may hold a "$", and a lost LF leaves the
// start of a record before the next one), and only if a blank follows the "$": take gets its
// body, from two characters after the "$" through the CR LF, valid only during the call. Text
// that can never become a record (before the first "$") is dropped; an unterminated record
// longer than max_pending_record characters is dropped as well. A template, so that no
// std::function (and no allocation) is made for every pass.
template <typename Take> void take_records(QString &acc, Take &&take) {
    int pos = 0;
    for (;;) {
        const int first = acc.indexOf(QLatin1Char('$'), pos);
        if (first < 0) {
            pos = acc.size();
            break;
        }
        const int end = acc.indexOf(QLatin1String("\r\n"), first);
        if (end < 0) {
            pos = first;
            break;
        }
        const int start = acc.lastIndexOf(QLatin1Char('$'), end);
        if (acc.at(start + 1) == QLatin1Char(' '))
            take(acc.midRef(start + 2, end - start));
        pos = end + 2;
    }
    drop_taken_records(acc, pos);
}

// Sets fields to body split at every single space (empty fields kept), reusing the strings
// fields already holds.
void split_fields(QStringList &fields, const QStringRef &body);

// Adds one velocity to the block average over n readings. Returns the text the average field
// shows now, if it changes: the velocity itself when n is 1 or less, the average when the block
// is full (sum and count then start again), nothing otherwise. A velocity that is not a finite
// number is left out: neither summed nor counted. The sum holds the readings scaled down by
// 2^average_scale, exactly, so that no block of finite readings sums past the largest double:
// the average is the same as the readings' sum divided by n.
std::optional<QString> add_to_average(double &sum, quint32 &count, quint32 n,
                                      const QString &velocity_text);
constexpr int average_scale = 32; // n is below 2^32

#endif
