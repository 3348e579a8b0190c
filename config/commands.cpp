#include "config/command_text.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
const char cr[] = "\r";
}

// Whether the sequence of a press may start now. A press while a sequence runs is dropped:
// nested, the two would interleave their characters on the line and the inner one would clear
// config_busy early. A press while the port opens, when the decoder is not yet reading and the
// replies would be recorded as data, runs the sequence once the port is open and read.
bool frmain::sequence_may_start(void (frmain::*pressed)()) {
    if (config_busy)
        return false;
    if (port_opening) {
        run_when_free([this, pressed] { (this->*pressed)(); });
        return false;
    }
    return true;
}

// The values are taken, and the rate checked, at the press: an edit made while the sequence runs
// must not change what it sends.
void frmain::setting_button_slot() {
    if (!sequence_may_start(&frmain::setting_button_slot))
        return;
    const QString baud = machine_baud_combo->currentText();
    const QString rate = outrate_lineedit->text();
    const int temp_index = temp_combo->currentIndex();
    if (check_output_rate(rate) != rate_check::in_range) {
        outrange_warning_slot(rate);
        return;
    }
    config_busy = true;
    put_on_line(cr, 1);
    Sleep(100);
    one_byte_send(baud_command(baud));
    Sleep(100);
    send(cr);
    Sleep(200);
    one_byte_send(rate_command(rate));
    Sleep(100);
    send(cr);
    Sleep(200);
    one_byte_send(temperature_command(temp_index));
    Sleep(100);
    send(cr);
    Sleep(300);
    end_sequence();
}

void frmain::save_setting_slot() {
    if (!sequence_may_start(&frmain::save_setting_slot))
        return;
    config_busy = true;
    one_byte_send("done");
    Sleep(100);
    send(cr);
    Sleep(200);
    send("y");
    Sleep(100);
    send(cr);
    Sleep(300);
    end_sequence();
}

void frmain::end_sequence() {
    config_busy = false;
    run_freed();
}

bool frmain::outrange_warning_slot(QString text) {
    if (wait_for_sequence([this, text] { outrange_warning_slot(text); }))
        return true;
    switch (check_output_rate(text)) {
    case rate_check::empty:
        send_config_button->setEnabled(false);
        return true;
    case rate_check::in_range:
        send_config_button->setEnabled(true);
        return true;
    case rate_check::out_of_range:
        break;
    }
    send_config_button->setEnabled(false);
    show_message("\n数值不在范围内!\n请输入(1~30)范围的数字\n");
    return false;
}
