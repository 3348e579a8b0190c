#include "config/command_text.h"

QString baud_command(const QString &baud_text) {
    return QLatin1String("uart bps ") + baud_text;
}

QString rate_command(const QString &rate_text) {
    return QLatin1String("data rate ") + rate_text;
}

QString temperature_command(int temp_index) {
    return temp_index == 0 ? QStringLiteral("water temp enable")
                           : QStringLiteral("water temp disable");
}

// Only decimal digits: toInt alone lets " 8", "8 " and "+8" through, and the text goes to the
// instrument exactly as typed.
rate_check check_output_rate(const QString &text) {
    if (text.isEmpty())
        return rate_check::empty;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return rate_check::out_of_range;
    const int value = text.toInt(nullptr, 10);
    return value >= 1 && value <= 30 ? rate_check::in_range : rate_check::out_of_range;
}

std::optional<quint32> parse_point_count(const QString &text) {
    const int value = text.toInt(nullptr, 10);
    if (value > 0)
        return quint32(value);
    return std::nullopt;
}
