#include "link/line_settings.h"
#include "link/port_errors.h"
#include "link/port_name.h"
#include "link/wine_read.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QComboBox>
#include <QPushButton>
#include <QTime>

namespace {
const QString lost_box = QStringLiteral("\n串口连接已断开\n请检查设备连接！\n");

QString status_line(const char *what) {
    return QString::fromUtf8(what) + ' ' + QTime::currentTime().toString("hh:mm:ss") + '\n';
}
} // namespace

// The caption is the record of whether the port is open. A click while a lost port is watched
// for tries at once; a failure ends the watch.
void frmain::openCom1_slot() {
    if (!line->allows(press::open_close))
        return;
    if (!line->shows_closed()) {
        close_port();
        return;
    }
    watch->stop();
    watch->loss_told = false;
    if (!open_port() && line->port() == port_phase::waiting)
        line->set_port(port_phase::closed);
}

// Opens as the controls say now; false where the system refuses. Only a click says so in a box.
bool frmain::open_port(bool by_operator) {
    serial_port->setPortName(resolve_port_name(port_combo->currentText()));
    if (!serial_port->open(QIODevice::ReadWrite)) {
        if (by_operator)
            show_message("\n串口打开失败\n请检查串口是否被占用！\n");
        return false;
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
        return true;
    // Once only: repeated opens must not run the decoder several times per notification.
    connect(serial_port, &QSerialPort::readyRead, this, &frmain::ReadMyCom_slot,
            Qt::UniqueConnection);
    line->set_port(port_phase::open);
    read_held_back_bytes();
    return true;
}

void frmain::close_port() {
    serial_port->flush();
    serial_port->close();
    show_message("串口关闭成功！");
    line->set_port(port_phase::closed);
}

// A lost device (USB adapter pulled, far end of a pty closed) makes Qt report read errors in a
// busy loop while the port stays open. Close it at the first one, tell the operator once (a box
// after the read that raised it has returned, none for a port that keeps dropping) and watch for
// the port to come back. A recording stays open across the gap.
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
    line->set_port(port_phase::waiting);
    display->add_status_line(status_line("串口连接已断开"));
    if (!watch->loss_told)
        line->show_when_free(lost_box);
    watch->loss_told = true;
    watch->start(serial_port->portName());
}

// The watched port has been back for a second.
bool frmain::reopen_lost_port() {
    if (line->port() != port_phase::waiting)
        return true;
    // What the device held when it went waits in the stream while the save dialog is open: a
    // new session would drop it. A sequence ends first too.
    if (line->sequence_running() || save_busy)
        return false;
    if (!open_port(false)) {
        if (watch->failure_to_tell())
            display->add_status_line(status_line("串口打开失败"));
        return false;
    }
    if (line->port() == port_phase::waiting)
        return true; // lost again in the pause after opening: watched again
    line->withdraw(lost_box);
    display->add_status_line(status_line("串口已重新连接"));
    return true;
}

// Another port chosen while a lost one is watched for: the operator has moved on.
void frmain::stop_watching() {
    watch->stop();
    if (line->port() == port_phase::waiting)
        line->set_port(port_phase::closed);
}
