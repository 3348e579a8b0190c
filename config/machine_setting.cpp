#include "link/line_settings.h"
#include "ui/caption.h"
#include "ui/fonts.h"
#include "ui/frmain.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void frmain::machine_setting() {
    machine_box = new QGroupBox;
    machine_group = new QGroupBox;
    for (QLabel **label :
         {&machine_baud_label, &outrate_label, &outrate_range_label, &output_label, &temp_label})
        *label = new caption;
    machine_baud_combo = new QComboBox;
    outrate_lineedit = new QLineEdit;
    output_combo = new QComboBox;
    temp_combo = new QComboBox;
    output_lineedit = new QLineEdit;
    send_config_button = new QPushButton;
    save_config_button = new QPushButton;
    save_data_button = new QPushButton;
    avg_button = new QPushButton;
    avg_label = new caption;
    avg_lineedit = new QLineEdit;

    output_lineedit->setEnabled(false);
    output_lineedit->setStyleSheet("height:20px");

    const QFont field_font = window_font("SansSerif", 8);
    outrate_lineedit->setFont(field_font);
    outrate_lineedit->setAlignment(Qt::AlignCenter);
    outrate_lineedit->setText("8");
    avg_lineedit->setFont(field_font);
    avg_lineedit->setAlignment(Qt::AlignCenter);
    avg_lineedit->setText("5");

    machine_group->setTitle("声速仪配置区");
    machine_baud_label->setText("声速仪波特率： ");
    outrate_label->setText("声速仪输出速率：");
    outrate_range_label->setText("范围: (1-30)");
    output_label->setText("声速仪输出格式： ");
    temp_label->setText("温 度 输 出 ： ");
    avg_label->setText("平均声速点数：");
    send_config_button->setText("发送配置");
    save_config_button->setText("保存配置");
    save_data_button->setText("保存数据");
    avg_button->setText("设置点数");

    machine_baud_combo->addItems(baud_rate_texts());
    machine_baud_combo->setCurrentIndex(2);
    output_combo->addItems({"默认格式", "格式一", "格式二"});
    output_combo->setEnabled(false);
    temp_combo->addItems({"允 许  ", "禁 止  "});

    QGridLayout *grid = new QGridLayout;
    grid->addWidget(machine_baud_label, 1, 1, 1, 1);
    grid->addWidget(machine_baud_combo, 1, 2, 1, 1);
    grid->addWidget(outrate_label, 1, 3, 1, 1);
    grid->addWidget(outrate_lineedit, 1, 4, 1, 5);
    grid->addWidget(outrate_range_label, 1, 9, 1, 1);
    grid->addWidget(temp_label, 2, 1, 1, 1);
    grid->addWidget(temp_combo, 2, 2, 1, 1);
    grid->addWidget(output_label, 2, 3, 1, 1);
    grid->addWidget(output_lineedit, 2, 4, 1, 5);
    grid->addWidget(output_combo, 2, 9, 1, 1);
    grid->addWidget(avg_label, 3, 1, 1, 1);
    grid->addWidget(avg_lineedit, 3, 2, 1, 1);
    grid->addWidget(avg_button, 3, 3, 1, 1);
    grid->addWidget(send_config_button, 3, 5, 1, 1);
    grid->addWidget(save_config_button, 3, 7, 1, 1);
    grid->addWidget(save_data_button, 3, 9, 1, 1);
    machine_group->setLayout(grid);

    QGridLayout *box_grid = new QGridLayout;
    box_grid->addWidget(machine_group);
    machine_box->setLayout(box_grid);
}
