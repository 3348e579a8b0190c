#include "link/line_settings.h"
#include "link/port_errors.h"
#include "link/port_name.h"
#include "link/wine_read.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QComboBox>
#include <QPushButton>

// The caption is the record of whether the port is open.
void frmain::openCom1_slot() {
    if (!line->allows(press::open_close))
        return;
    if (line->shows_closed())
        open_port();
    else
        close_port();
}

void frmain::open_port() {
    serial_port->setPortName(resolve_port_name(port_combo->currentText()));
    if (!serial_port->open(QIODevice::ReadWrite)) {
        show_message("\n串口打开失败\n请检查串口是否被占用！\n");
        return;
    }
    keep_reading_under_wine(serial_port);
    stream->start_afresh();
    serial_port->flush();
    line->set_port(port_phase::opening);

    if (auto rate = baud_from_text(baud_combo->currentText()))
        serial_port->setBaudRate(*rate, QSerialPort::AllDirections);
    if (auto parity = parity_from_index(parity_combo->currentIndex()))
        serial_port->setParity(*parity);
    if (auto bits = data_bits_from_index(data_bits_combo->currentIndex()))
        serial_port->setDataBits(*bits);
    if (auto stop = stop_bits_from_index(stop_bits_combo->currentIndex()))
        serial_port->setStopBits(*stop);
    serial_port->setFlowControl(QSerialPort::NoFlowControl);

    Sleep(1000);
    // Closed during the pause (a click, a lost device): nothing more to connect.
    if (line->port() != port_phase::opening)
        return;
    // Once only: repeated opens must not run the decoder several times per notification.
    connect(serial_port, &QSerialPort::readyRead, this, &frmain::ReadMyCom_slot,
            Qt::UniqueConnection);
    line->set_port(port_phase::open);
    read_held_back_bytes();
}

void frmain::close_port() {
    serial_port->flush();
    serial_port->close();
    show_message("串口关闭成功！");
    line->set_port(port_phase::closed);
}

// A lost device (USB adapter pulled, far end of a pty closed) makes Qt report read errors in a
// busy loop while the port stays open. Close it at the first one and tell the operator once,
// after the read that raised it has returned.
void frmain::port_error(QSerialPort::SerialPortError error) {
    if (!means_device_gone(error) || !serial_port->isOpen())
        return;
    // What came before the device went is decoded and recorded first: now, or once the save
    // dialog, which holds the stream off, has closed.
    if (save_busy)
        stream->keep_unread(serial_port);
    else
        ReadMyCom_slot();
    serial_port->close();
    line->set_port(port_phase::closed);
    line->show_when_free("\n串口连接已断开\n请检查设备连接！\n");
}
