#include "ui/status_area.h"

bool may_read_right_to_left(const QString &text) {
    // The first right-to-left script, Hebrew, starts at U+0590; surrogates are above it too.
    for (const QChar c : text)
        if (c.unicode() >= 0x0590)
            return true;
    return false;
}

bool plain_ascii_lines(const QString &text) {
    for (const QChar c : text)
        if ((c.unicode() < 0x20 || c.unicode() > 0x7e) && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r') && c != QLatin1Char('\t'))
            return false;
    return true;
}

int first_lines_length(const QString &text, int lines) {
    int at = 0;
    for (int n = 0; n < lines; ++n) {
        const int end = text.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            return text.size();
        at = end + 1;
    }
    return at;
}

int all_but_last_lines_length(const QString &text, int lines) {
    int at = text.size();
    if (text.endsWith(QLatin1Char('\n')))
        --at; // the last line's own end
    for (int n = 0; n < lines; ++n) {
        if (at <= 0)
            return 0;
        at = text.lastIndexOf(QLatin1Char('\n'), at - 1);
        if (at < 0)
            return 0;
    }
    return at + 1;
}
