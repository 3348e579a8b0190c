#ifndef RECORD_PARSER_H
#define RECORD_PARSER_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

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
