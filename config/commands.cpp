#include "config/command_text.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
const char cr[] = "\r";
}

// The values are taken, and the rate checked, at the press: an edit made while the sequence runs
// must not change what it sends.
void frmain::setting_button_slot() {
    if (!line->allows(press::sequence))
        return;
    const QString baud = machine_baud_combo->currentText();
    const QString rate = outrate_lineedit->text();
    const int temp_index = temp_combo->currentIndex();
    if (check_output_rate(rate) != rate_check::in_range) {
        outrange_warning_slot(rate);
        return;
    }
    line->begin_sequence();
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
    line->end_sequence();
}

void frmain::save_setting_slot() {
    if (!line->allows(press::sequence))
        return;
    line->begin_sequence();
    one_byte_send("done");
    Sleep(100);
    send(cr);
    Sleep(200);
    send("y");
    Sleep(100);
    send(cr);
    Sleep(300);
    line->end_sequence();
}

// Typed during a sequence, the field is checked once the sequence has ended, as it reads then.
bool frmain::outrange_warning_slot(QString text) {
    if (line->sequence_running()) {
        line->after_sequence("rate", [this] { outrange_warning_slot(outrate_lineedit->text()); });
        return true;
    }
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
