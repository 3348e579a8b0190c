#ifndef COMMAND_TEXT_H
#define COMMAND_TEXT_H

#include <QString>
#include <optional>

// The instrument's commands, without their CR.
QString baud_command(const QString &baud_text);
QString rate_command(const QString &rate_text);
QString temperature_command(int temp_index);

// The output-rate field as the operator left it.
enum class rate_check { empty, in_range, out_of_range };
rate_check check_output_rate(const QString &text);

// The average point count typed by the operator; empty unless it is a whole number above 0.
std::optional<quint32> parse_point_count(const QString &text);

#endif
