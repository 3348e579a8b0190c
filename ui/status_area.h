#ifndef STATUS_AREA_H
#define STATUS_AREA_H

// The status area keeps at least status_keep_lines lines and never more than status_max_lines:
// once it passes the upper bound the oldest lines are removed in one go, so the cost of trimming
// is paid once per status_keep_lines appends instead of on every append.
constexpr int status_keep_lines = 10000;
constexpr int status_max_lines = 20000;

// How many of the oldest lines to remove from an area that now holds line_count lines.
constexpr int status_lines_to_trim(int line_count) {
    return line_count > status_max_lines ? line_count - status_keep_lines : 0;
}

#endif
