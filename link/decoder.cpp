#include "link/record_parser.h"
#include "ui/frmain.h"

#include <QLineEdit>

void frmain::ReadMyCom_slot() {
    if (save_busy)
        return;
    if (serial_port->bytesAvailable() <= 0)
        return;
    const QByteArray chunk = serial_port->readAll();
    const QString text = chunk_text(chunk);
    rx_text += text;

    // Every complete record is taken now, so a backlog never leaves the read-outs behind. The
    // echoes of one pass go to the status area in one insert: each insert costs far more than
    // the text it carries.
    QString echoes;
    for (const QString &body : take_records(rx_text)) {
        rx_fields = body.split(QLatin1Char(' '), Qt::KeepEmptyParts, Qt::CaseSensitive);
        if (rx_fields.size() == 2) {
            temperature_text = rx_fields.at(1);
            temperature_edit->setText(temperature_text);
        } else if (rx_fields.size() == 1) {
            temperature_edit->setText("0000.000");
        } else {
            continue;
        }
        velocity_text = rx_fields.at(0);
        if (auto shown =
                add_to_average(velocity_sum, velocity_count, avg_point_count, velocity_text))
            avg_velocity_edit->setText(*shown);
        velocity_edit->setText(velocity_text);
        echoes += QLatin1String("$ ") + body;
    }
    if (!echoes.isEmpty())
        append_status(echoes);

    if (config_busy)
        append_status(text);
    else
        record_chunk(chunk);
}

// Qt signals readyRead only when new bytes come, so bytes left unread while the decoder was held
// off (save_busy, or not yet connected) would wait for the next byte: read them now.
void frmain::read_held_back_bytes() {
    if (!save_busy && serial_port->isOpen() && serial_port->bytesAvailable() > 0)
        ReadMyCom_slot();
}
