#include "link/record_split.h"

void follow_records(record_split &split, const QByteArray &chunk) {
    if (chunk.isEmpty())
        return;
    // Only the end of the chunk matters: its last "$", and whether a line end follows it.
    const int dollar = chunk.lastIndexOf('$');
    const int from = dollar < 0 ? 0 : dollar;
    if (dollar >= 0)
        split.in_record = true;
    if (split.in_record) {
        const bool ended = chunk.indexOf("\r\n", from) >= 0 ||
                           (dollar < 0 && split.after_cr && chunk.at(0) == '\n');
        if (ended)
            split.in_record = false;
    }
    split.after_cr = chunk.endsWith('\r');
}

void split_records(record_split &split, const QByteArray &chunk, QByteArray &to_file,
                   QByteArray &to_status) {
    for (const char c : chunk) {
        if (c == '$') {
            to_status += split.held;
            split.held = QByteArray(1, '$');
            split.in_record = true;
        } else if (split.in_record) {
            split.held += c;
            if (split.after_cr && c == '\n') {
                to_file += split.held;
                split.held.clear();
                split.in_record = false;
            }
        } else {
            to_status += c;
        }
        split.after_cr = c == '\r';
    }
}
