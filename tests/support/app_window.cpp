#include "support/app_window.h"
#include "app/startup.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

app_window::app_window() : window(new frmain(nullptr)) {
    dress_window(*window);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("window not exposed");
}

QObject *app_window::member(const QString &name) const {
    frmain *w = window.get();
    const QHash<QString, QObject *> members = {
        {"serial_box", w->serial_box},
        {"machine_box", w->machine_box},
        {"status_group", w->status_group},
        {"serial_group", w->serial_group},
        {"port_label", w->port_label},
        {"baud_label", w->baud_label},
        {"data_bits_label", w->data_bits_label},
        {"parity_label", w->parity_label},
        {"stop_bits_label", w->stop_bits_label},
        {"port_combo", w->port_combo},
        {"baud_combo", w->baud_combo},
        {"data_bits_combo", w->data_bits_combo},
        {"parity_combo", w->parity_combo},
        {"stop_bits_combo", w->stop_bits_combo},
        {"open_button", w->open_button},
        {"display_group", w->display_group},
        {"velocity_unit_label", w->velocity_unit_label},
        {"velocity_label", w->velocity_label},
        {"avg_velocity_unit_label", w->avg_velocity_unit_label},
        {"avg_velocity_label", w->avg_velocity_label},
        {"avg_velocity_edit", w->avg_velocity_edit},
        {"temperature_label", w->temperature_label},
        {"temperature_unit_label", w->temperature_unit_label},
        {"velocity_edit", w->velocity_edit},
        {"temperature_edit", w->temperature_edit},
        {"machine_group", w->machine_group},
        {"machine_baud_label", w->machine_baud_label},
        {"outrate_label", w->outrate_label},
        {"outrate_range_label", w->outrate_range_label},
        {"output_label", w->output_label},
        {"temp_label", w->temp_label},
        {"machine_baud_combo", w->machine_baud_combo},
        {"outrate_lineedit", w->outrate_lineedit},
        {"output_combo", w->output_combo},
        {"temp_combo", w->temp_combo},
        {"output_lineedit", w->output_lineedit},
        {"avg_label", w->avg_label},
        {"avg_lineedit", w->avg_lineedit},
        {"avg_button", w->avg_button},
        {"send_config_button", w->send_config_button},
        {"save_config_button", w->save_config_button},
        {"save_data_button", w->save_data_button},
        {"staus_show", w->staus_show},
    };
    return members.value(name, nullptr);
}
