#ifndef LINE_SETTINGS_H
#define LINE_SETTINGS_H

#include <QString>
#include <QStringList>
#include <QtSerialPort/QSerialPort>
#include <optional>

// The baud rates both panels offer (the port's and the instrument's own), as their texts.
QStringList baud_rate_texts();

// The serial-parameter panel's choices as port settings. An empty result means the choice sets
// nothing and the port keeps what it had.
std::optional<qint32> baud_from_text(const QString &text);
std::optional<QSerialPort::DataBits> data_bits_from_index(int index);
std::optional<QSerialPort::Parity> parity_from_index(int index);
std::optional<QSerialPort::StopBits> stop_bits_from_index(int index);

#endif
