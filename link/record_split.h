#ifndef RECORD_SPLIT_H
#define RECORD_SPLIT_H

#include <QByteArray>

// While a configuration sequence runs, the instrument's replies go to the status area and stay
// out of the record file, but its records must still reach the file, whole and in order. This
// follows the records ("$" up to and with its CR LF) through the byte stream, across chunks and
// across the start and end of a sequence.
struct record_split {
    bool in_record = false; // a "$" came, and no CR LF since
    bool after_cr = false;  // the last byte was a CR
    QByteArray held;        // what came of that record during a sequence, not yet placed
};

// Outside a sequence every byte is recorded: this only follows the records through the chunk.
// Bytes still held from a sequence are the caller's to record first (and then to clear).
void follow_records(record_split &split, const QByteArray &chunk);

// During a sequence: appends the chunk's complete records to to_file (a record begun before the
// sequence included, so that it is whole in the file) and everything else to to_status. A "$"
// that another "$" follows before any CR LF began no record: what came since goes to to_status.
void split_records(record_split &split, const QByteArray &chunk, QByteArray &to_file,
                   QByteArray &to_status);

#endif
