#include "trend/field_code.h"

#include <limits>

namespace {
constexpr double powers_of_ten[max_field_decimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

bool is_digit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
} // namespace

bool parse_decimal(QStringView text, decimal_field &field) {
    const qsizetype size = text.size();
    qsizetype i = 0;
    const bool negative = size > 0 && text[0] == QLatin1Char('-');
    if (negative)
        ++i;
    const qsizetype integer_start = i;
    qint64 mantissa = 0;
    int digits = 0;
    for (; i < size && is_digit(text[i]); ++i, ++digits)
        mantissa = mantissa * 10 + (text[i].unicode() - '0');
    const qsizetype integer_digits = i - integer_start;
    if (integer_digits == 0 || (integer_digits > 1 && text[integer_start] == QLatin1Char('0')))
        return false;
    int decimals = 0;
    if (i < size && text[i] == QLatin1Char('.')) {
        for (++i; i < size && is_digit(text[i]); ++i, ++digits, ++decimals)
            mantissa = mantissa * 10 + (text[i].unicode() - '0');
        if (decimals == 0 || decimals > max_field_decimals)
            return false;
    }
    // Ten digits always fit in the 64-bit sum; more could not fit the 32-bit field anyway.
    if (i != size || digits > 10 || mantissa > std::numeric_limits<qint32>::max())
        return false;
    if (negative && mantissa == 0)
        return false;
    field.mantissa = qint32(negative ? -mantissa : mantissa);
    field.decimals = decimals;
    return true;
}

void append_decimal(QByteArray &out, decimal_field field) {
    char digits[16];
    int n = 0;
    quint32 rest = field.mantissa < 0 ? 0u - quint32(field.mantissa) : quint32(field.mantissa);
    // Least significant first, at least one digit before the point.
    do {
        digits[n++] = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0 || n <= field.decimals);
    if (field.mantissa < 0)
        out.append('-');
    for (int i = n - 1; i >= 0; --i) {
        out.append(digits[i]);
        if (i == field.decimals && i != 0)
            out.append('.');
    }
}

double decimal_value(decimal_field field) {
    // Both are exact doubles, and one division rounds once.
    return double(field.mantissa) / powers_of_ten[field.decimals];
}
