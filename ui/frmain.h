#ifndef FRMAIN_H
#define FRMAIN_H

#include "link/line_state.h"
#include "link/port_watch.h"
#include "link/stream.h"
#include "record/recorder.h"
#include "trend/trend_store.h"
#include "trend/trend_window.h"
#include "ui/display.h"
#include "ui/readout.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtSerialPort/QSerialPort>

#include <memory>

class QComboBox;
class QFile;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QKeyEvent;
class QCloseEvent;

// The one window of the terminal: its widgets, its slots and the members the subsystems share.
// The slots say what happens and hand the work on: to the line's state (line_state), the stream
// (measurement_stream), the display (measurement_display), the record file (recorder) and the
// trend (trend_store, trend_window). Its
// members are public: the tests read the state they check.
class frmain : public QWidget {
    Q_OBJECT

public:
    explicit frmain(QWidget *parent = nullptr);
    ~frmain() override;

    QSerialPort *serial_port;
    QString rx_text;
    QFile *record_file;
    QString record_file_name;
    bool config_busy;
    bool save_busy;

    QGroupBox *serial_box;
    QGroupBox *machine_box;
    QGroupBox *status_group;
    QGroupBox *serial_group;
    QLabel *port_label, *baud_label, *data_bits_label, *parity_label, *stop_bits_label;
    QComboBox *port_combo, *baud_combo, *data_bits_combo, *parity_combo, *stop_bits_combo;
    QPushButton *open_button;
    QGroupBox *display_group;
    QLabel *velocity_unit_label;
    QLabel *velocity_label;
    QLabel *avg_velocity_unit_label;
    QLabel *avg_velocity_label;
    readout *avg_velocity_edit;
    QLabel *temperature_label;
    QLabel *temperature_unit_label;
    readout *velocity_edit;
    readout *temperature_edit;

    QGroupBox *machine_group;
    QLabel *machine_baud_label, *outrate_label, *outrate_range_label, *output_label, *temp_label;
    QComboBox *machine_baud_combo;
    QLineEdit *outrate_lineedit;
    QComboBox *output_combo, *temp_combo;
    QLineEdit *output_lineedit;
    QLabel *avg_label;
    QLineEdit *avg_lineedit;
    QPushButton *avg_button, *send_config_button, *save_config_button, *save_data_button;

    QTextEdit *staus_show;
    QStringList rx_fields;
    QString velocity_text;
    QString temperature_text;
    double velocity_sum;
    quint32 velocity_count;
    quint32 avg_point_count;

public slots:
    void data_setting();                 // ui/data_setting.cpp
    void every_connect();                // ui/frmain.cpp
    void machine_setting();              // config/machine_setting.cpp
    void status_setting();               // ui/status_setting.cpp
    void openCom1_slot();                // link/open_port.cpp
    void ReadMyCom_slot();               // link/decoder.cpp
    void Sleep(int ms);                  // config/transmit.cpp
    void send(QString data);             // config/transmit.cpp
    void setting_button_slot();          // config/commands.cpp
    void save_setting_slot();            // config/commands.cpp
    bool save_data_slot();               // record/save_data.cpp
    void one_byte_send(QString str);     // config/transmit.cpp
    bool outrange_warning_slot(QString); // config/commands.cpp
    void avg_point_slot();               // config/avg_point.cpp

public:
    // For tests and benchmarks alone, which wait for what the operator sees: whether the
    // read-outs or the status area wait for the next display frame.
    bool frame_pending() const { return display->frame_pending(); }
    // For benchmarks alone, which fill the trend's history before they measure.
    trend_store &trend_history() { return *trends; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool open_port(bool by_operator = true);             // link/open_port.cpp
    void close_port();                                   // link/open_port.cpp
    void port_error(QSerialPort::SerialPortError error); // link/open_port.cpp
    bool reopen_lost_port();                             // link/open_port.cpp
    void stop_watching();                                // link/open_port.cpp
    void refresh_port_list();                            // ui/data_setting.cpp
    void read_held_back_bytes();
    void open_trend();
    void line_changed();
    void put_on_line(const char *bytes, qint64 size); // config/transmit.cpp
    bool start_recording();                           // record/save_data.cpp
    bool stop_recording();                            // record/save_data.cpp
    void end_recording();                             // record/save_data.cpp
    bool write_to_file(const QByteArray &bytes);      // record/save_data.cpp

    line_state *line;
    port_watch *watch;
    measurement_display *display;
    std::unique_ptr<measurement_stream> stream;
    std::unique_ptr<recorder> record;
    std::unique_ptr<trend_store> trends;
    trend_window *trend_view = nullptr;
};

#endif
