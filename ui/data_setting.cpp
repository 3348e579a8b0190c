#include "link/line_settings.h"
#include "link/port_list.h"
#include "link/port_name.h"
#include "ui/caption.h"
#include "ui/fonts.h"
#include "ui/frmain.h"
#include "ui/port_combo_box.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {
const char *const readout_style =
    "border: 2px solid gray;border-radius: 5px;padding: 0 8px;background: black;"
    "selection-background-color: black;color: red;cursorVisible : true";
}

void frmain::data_setting() {
    serial_box = new QGroupBox;
    serial_group = new QGroupBox;
    display_group = new QGroupBox;

    for (QLabel **label :
         {&port_label, &baud_label, &data_bits_label, &parity_label, &stop_bits_label,
          &velocity_label, &avg_velocity_label, &temperature_label, &velocity_unit_label,
          &avg_velocity_unit_label, &temperature_unit_label})
        *label = new caption;

    velocity_edit = new readout;
    avg_velocity_edit = new readout;
    temperature_edit = new readout;

    auto *port_list = new port_combo_box;
    port_list->before_popup = [this] { refresh_port_list(); };
    port_combo = port_list;
    baud_combo = new QComboBox;
    data_bits_combo = new QComboBox;
    parity_combo = new QComboBox;
    stop_bits_combo = new QComboBox;

    open_button = new QPushButton;

    for (QLineEdit *edit : {velocity_edit, avg_velocity_edit, temperature_edit})
        edit->setStyleSheet(readout_style);

    port_label->setText("串口号：");
    baud_label->setText("波特率：");
    data_bits_label->setText("数据位：");
    parity_label->setText("校验位：");
    stop_bits_label->setText("停止位：");
    open_button->setText("打开串口");
    serial_group->setTitle("串口参数设置");
    display_group->setTitle("数据显示");

    // A reading is digits, a point and a sign, which shaping leaves as they are: without it a
    // new reading is laid out in half the time.
    QFont readout_font = window_font("Times", 30);
    readout_font.setStyleStrategy(QFont::PreferNoShaping);
    for (QLineEdit *edit : {velocity_edit, avg_velocity_edit, temperature_edit}) {
        edit->setMinimumHeight(50);
        edit->setFont(readout_font);
        edit->setText("0000.000");
        edit->setAlignment(Qt::AlignCenter);
    }
    const QFont caption_font = window_font("Helvetica", 25);
    velocity_label->setFont(caption_font);
    avg_velocity_label->setFont(caption_font);
    temperature_label->setFont(caption_font);
    for (QLineEdit *edit : {velocity_edit, avg_velocity_edit, temperature_edit})
        edit->setEnabled(false);

    port_combo->addItems(fixed_port_names());
    baud_combo->addItems(baud_rate_texts());
    data_bits_combo->addItems({"5", "6", "7", "8"});
    parity_combo->addItems({"NONE ", "ODD ", "EVEN ", "MARK ", "SPACE "});
    stop_bits_combo->addItems({"1  bit", "1.5bit", "2  bit"});
    baud_combo->setCurrentIndex(2);
    data_bits_combo->setCurrentIndex(3);

    velocity_unit_label->setText("m/s");
    avg_velocity_unit_label->setText("m/s");
    temperature_unit_label->setText("℃");
    velocity_label->setText("实时声速:");
    avg_velocity_label->setText("平均声速:");
    temperature_label->setText("实时温度:");
    const QFont unit_font = window_font("Times", 17);
    velocity_unit_label->setFont(unit_font);
    avg_velocity_unit_label->setFont(unit_font);
    temperature_unit_label->setFont(unit_font);

    QGridLayout *serial_grid = new QGridLayout;
    serial_grid->addWidget(port_label, 1, 1, 1, 2);
    serial_grid->addWidget(baud_label, 2, 1, 1, 2);
    serial_grid->addWidget(data_bits_label, 3, 1, 1, 2);
    serial_grid->addWidget(parity_label, 4, 1, 1, 2);
    serial_grid->addWidget(stop_bits_label, 5, 1, 1, 2);
    serial_grid->addWidget(port_combo, 1, 3, 1, 2);
    serial_grid->addWidget(baud_combo, 2, 3, 1, 2);
    serial_grid->addWidget(data_bits_combo, 3, 3, 1, 2);
    serial_grid->addWidget(parity_combo, 4, 3, 1, 2);
    serial_grid->addWidget(stop_bits_combo, 5, 3, 1, 2);
    serial_grid->addWidget(open_button, 6, 1, 1, 4);
    serial_group->setLayout(serial_grid);

    QGridLayout *display_grid = new QGridLayout;
    display_grid->addWidget(velocity_label, 1, 1, 1, 1);
    display_grid->addWidget(avg_velocity_label, 2, 1, 1, 1);
    display_grid->addWidget(temperature_label, 3, 1, 1, 1);
    display_grid->addWidget(velocity_edit, 1, 2, 1, 3);
    display_grid->addWidget(avg_velocity_edit, 2, 2, 1, 3);
    display_grid->addWidget(temperature_edit, 3, 2, 1, 3);
    display_grid->addWidget(velocity_unit_label, 1, 5, 1, 1);
    display_grid->addWidget(avg_velocity_unit_label, 2, 5, 1, 1);
    display_grid->addWidget(temperature_unit_label, 3, 5, 1, 1);
    display_group->setLayout(display_grid);

    QGridLayout *box_grid = new QGridLayout;
    box_grid->addWidget(serial_group, 1, 1, 6, 1);
    box_grid->addWidget(display_group, 1, 2, 6, 3);
    serial_box->setLayout(box_grid);

    connect(open_button, &QPushButton::clicked, this, &frmain::openCom1_slot);
}

// The fixed names, then every other port the system has now, keeping the operator's choice (listed
// at the end if it has gone: opening it then says that it cannot be opened). Never while the port
// is open: the list then names the open port.
void frmain::refresh_port_list() {
    if (serial_port->isOpen())
        return;
    QList<listed_port> ports;
    QStringList fixed_locations;
    for (const QString &name : fixed_port_names()) {
        ports << listed_port{name, QString(), QString()};
        fixed_locations << resolve_port_name(name);
    }
    ports += ports_after_fixed(system_ports(), fixed_locations);
    const QString chosen = port_combo->currentText();
    if (!chosen.isEmpty() && std::none_of(ports.cbegin(), ports.cend(),
                                          [&](const listed_port &p) { return p.name == chosen; }))
        ports << listed_port{chosen, QString(), QString()};

    bool same = port_combo->count() == ports.size();
    for (int i = 0; same && i < ports.size(); ++i)
        same = port_combo->itemText(i) == ports[i].name &&
               port_combo->itemData(i, Qt::ToolTipRole).toString() == ports[i].description;
    if (same)
        return;
    port_combo->clear();
    for (const listed_port &port : ports) {
        port_combo->addItem(port.name);
        if (!port.description.isEmpty())
            port_combo->setItemData(port_combo->count() - 1, port.description, Qt::ToolTipRole);
    }
    port_combo->setCurrentIndex(qMax(0, port_combo->findText(chosen)));
}
