#ifndef STATUS_AREA_H
#define STATUS_AREA_H

#include <QString>

// The status area keeps at least status_keep_lines lines and never more than status_max_lines:
// once it passes the upper bound the oldest lines are removed in one go, so the cost of trimming
// is paid once per status_keep_lines appends instead of on every append.
constexpr int status_keep_lines = 10000;
constexpr int status_max_lines = 20000;

// How many of the oldest lines to remove from an area that now holds line_count lines.
constexpr int status_lines_to_trim(int line_count) {
    return line_count > status_max_lines ? line_count - status_keep_lines : 0;
}

// Lines inserted at most in one go, about 10 ms of work: a flood's backlog goes in over several
// turns of the event loop, so that reading the port never stalls for long.
constexpr int status_lines_per_insert = 500;

// The length of the first `lines` lines of text, with their line ends; all of it if it has no
// more lines than that.
int first_lines_length(const QString &text, int lines);

// The length of what comes before the last `lines` lines of text: an area that holds no more
// than that many lines loses it anyway once the rest is in.
int all_but_last_lines_length(const QString &text, int lines);

// Whether text may hold letters of a right-to-left script; false only where it surely holds none.
bool may_read_right_to_left(const QString &text);

// Whether text is printable ASCII, tabs and line ends: what a record is made of, and what
// shaping leaves as it is in the area's fonts.
bool plain_ascii_lines(const QString &text);

#endif
