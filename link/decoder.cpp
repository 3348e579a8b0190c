#include "link/record_parser.h"
#include "ui/frmain.h"

namespace {
// Copies text into the frame's own string, so that the members the decoder rewrites for every
// record keep their buffers instead of sharing them.
void copy_into(std::optional<QString> &slot, const QString &text) {
    if (!slot)
        slot.emplace();
    slot->setUnicode(text.unicode(), text.size());
}
} // namespace

void frmain::ReadMyCom_slot() {
    if (save_busy)
        return;
    if (!unread_at_loss.isEmpty()) {
        rx_chunk.swap(unread_at_loss);
        unread_at_loss.clear();
    } else {
        const qint64 waiting = serial_port->bytesAvailable();
        if (waiting <= 0)
            return;
        // One buffer for every pass: at line speed a pass carries a single record.
        rx_chunk.resize(int(waiting));
        rx_chunk.resize(int(qMax<qint64>(0, serial_port->read(rx_chunk.data(), waiting))));
    }
    append_chunk_text(rx_text, rx_chunk);

    // Every complete record is taken now, so a backlog never leaves the read-outs behind; what
    // they show goes to the screen with the next frame.
    bool shown = false, with_temperature = false;
    take_records(rx_text, [&](const QStringRef &body) {
        split_fields(rx_fields, body);
        if (rx_fields.size() > 2)
            return;
        shown = true;
        with_temperature = rx_fields.size() == 2;
        if (with_temperature)
            temperature_text.setUnicode(rx_fields[1].unicode(), rx_fields[1].size());
        velocity_text.setUnicode(rx_fields[0].unicode(), rx_fields[0].size());
        if (auto average =
                add_to_average(velocity_sum, velocity_count, avg_point_count, velocity_text))
            copy_into(next_frame.average, *average);
        next_frame.status.append(QLatin1String("$ ")).append(body);
    });
    if (shown) {
        copy_into(next_frame.temperature,
                  with_temperature ? temperature_text : QStringLiteral("0000.000"));
        copy_into(next_frame.velocity, velocity_text);
    }

    // During a sequence the instrument's replies go to the status area alone; its records still
    // reach the file, whole and in order.
    if (config_busy) {
        QByteArray to_file, to_status;
        split_records(rx_records, rx_chunk, to_file, to_status);
        append_chunk_text(next_frame.status, to_status);
        if (!to_file.isEmpty())
            record_chunk(to_file);
    } else {
        if (!rx_records.held.isEmpty()) {
            record_chunk(rx_records.held);
            rx_records.held.clear();
        }
        follow_records(rx_records, rx_chunk);
        record_chunk(rx_chunk);
    }
    if (shown || !next_frame.status.isEmpty())
        show_in_next_frame();
}

// Qt signals readyRead only when new bytes come, so bytes left unread while the decoder was held
// off (save_busy, or not yet connected) would wait for the next byte: read them now, and what
// the port held when the device went.
void frmain::read_held_back_bytes() {
    if (!save_busy &&
        ((serial_port->isOpen() && serial_port->bytesAvailable() > 0) || !unread_at_loss.isEmpty()))
        ReadMyCom_slot();
}
