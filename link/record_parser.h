#ifndef RECORD_PARSER_H
#define RECORD_PARSER_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Longest unterminated record the accumulator holds while it waits for the line end.
constexpr int max_pending_record = 4096;

// The text of a chunk read from the port: UTF-8, with NUL bytes left out.
QString chunk_text(const QByteArray &chunk);

// Takes every complete record out of the accumulator, in order, and returns their bodies: the
// text from two characters after the "$" (the "$" and its separator are skipped) through the
// CR LF. Text that can never become a record (before the first "$") is dropped; an unterminated
// record longer than max_pending_record characters is dropped as well.
QStringList take_records(QString &acc);

// Adds one velocity to the block average over n readings. Returns the text the average field
// shows now, if it changes: the velocity itself when n is 1 or less, the average when the block
// is full (sum and count then start again), nothing otherwise.
std::optional<QString> add_to_average(double &sum, quint32 &count, quint32 n,
                                      const QString &velocity_text);

#endif
