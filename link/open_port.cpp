#include "link/line_settings.h"
#include "link/port_errors.h"
#include "link/port_name.h"
#include "link/wine_read.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QComboBox>
#include <QPushButton>

void frmain::openCom1_slot() {
    if (wait_for_sequence([this] { openCom1_slot(); }))
        return;
    // The caption is the only record of whether the port is open.
    if (open_button->text() == "打开串口") {
        serial_port->setPortName(resolve_port_name(port_combo->currentText()));
        if (!serial_port->open(QIODevice::ReadWrite)) {
            show_message("\n串口打开失败\n请检查串口是否被占用！\n");
            return;
        }
        keep_reading_under_wine(serial_port);
        // A new session: nothing of a record or an average from before the last close.
        rx_text.clear();
        rx_records = record_split();
        unread_at_loss.clear();
        velocity_sum = 0.0;
        velocity_count = 0;
        serial_port->flush();
        show_port_open(true);

        if (auto rate = baud_from_text(baud_combo->currentText()))
            serial_port->setBaudRate(*rate, QSerialPort::AllDirections);
        if (auto parity = parity_from_index(parity_combo->currentIndex()))
            serial_port->setParity(*parity);
        if (auto bits = data_bits_from_index(data_bits_combo->currentIndex()))
            serial_port->setDataBits(*bits);
        if (auto stop = stop_bits_from_index(stop_bits_combo->currentIndex()))
            serial_port->setStopBits(*stop);
        serial_port->setFlowControl(QSerialPort::NoFlowControl);

        port_opening = true;
        Sleep(1000);
        // Once only: repeated opens must not run the decoder several times per notification.
        connect(serial_port, &QSerialPort::readyRead, this, &frmain::ReadMyCom_slot,
                Qt::UniqueConnection);
        read_held_back_bytes();
        port_opening = false;
        run_freed();
    } else {
        serial_port->flush();
        serial_port->close();
        show_message("串口关闭成功！");
        show_port_open(false);
    }
}

// The caption, then the parameter controls: locked while the port is open.
void frmain::show_port_open(bool open) {
    open_button->setText(open ? "关闭串口" : "打开串口");
    QComboBox *const combos[] = {port_combo, baud_combo, data_bits_combo, parity_combo,
                                 stop_bits_combo};
    for (QComboBox *combo : combos)
        combo->setEnabled(!open);
}

void frmain::watch_port_errors() {
    connect(serial_port, &QSerialPort::errorOccurred, this, &frmain::port_error);
}

// A lost device (USB adapter pulled, far end of a pty closed) makes Qt report read errors in a
// busy loop while the port stays open. Close it at the first one and tell the operator once,
// after the read that raised it has returned.
void frmain::port_error(QSerialPort::SerialPortError error) {
    if (!means_device_gone(error) || !serial_port->isOpen())
        return;
    // What came before the device went is decoded and recorded first: now, or once the save
    // dialog, which holds the decoder off, has closed.
    if (save_busy)
        unread_at_loss += serial_port->readAll();
    else
        ReadMyCom_slot();
    serial_port->close();
    show_port_open(false);
    show_message_later("\n串口连接已断开\n请检查设备连接！\n");
}
