#include "link/line_settings.h"

QStringList baud_rate_texts() {
    return {"2400", "4800", "9600", "19200", "38400", "57600", "115200"};
}

std::optional<qint32> baud_from_text(const QString &text) {
    if (!baud_rate_texts().contains(text))
        return std::nullopt;
    return text.toInt();
}

std::optional<QSerialPort::DataBits> data_bits_from_index(int index) {
    static const QSerialPort::DataBits bits[] = {QSerialPort::Data5, QSerialPort::Data6,
                                                 QSerialPort::Data7, QSerialPort::Data8};
    if (index < 0 || index >= 4)
        return std::nullopt;
    return bits[index];
}

std::optional<QSerialPort::Parity> parity_from_index(int index) {
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    if (index < 0 || index >= 5)
        return std::nullopt;
    return parities[index];
}

std::optional<QSerialPort::StopBits> stop_bits_from_index(int index) {
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    if (index < 0 || index >= 3)
        return std::nullopt;
    return stops[index];
}
