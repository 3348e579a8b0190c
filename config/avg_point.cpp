#include "config/command_text.h"
#include "ui/frmain.h"
#include "ui/message.h"

#include <QLineEdit>

void frmain::avg_point_slot() {
    if (!line->allows(press::point_count))
        return;
    if (auto count = parse_point_count(avg_lineedit->text())) {
        velocity_sum = 0.0;
        velocity_count = 0;
        avg_point_count = *count;
        show_message("设置成功！");
    } else {
        avg_lineedit->setText(QString::number(avg_point_count));
        show_message("数值必须为大于0的整数！");
    }
}
