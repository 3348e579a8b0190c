#ifndef FRMAIN_H
#define FRMAIN_H

#include "link/record_split.h"
#include "ui/display_frame.h"
#include "ui/readout.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtSerialPort/QSerialPort>

#include <array>
#include <functional>

class QComboBox;
class QFile;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QKeyEvent;
class QCloseEvent;

// The one window of the terminal. It owns all run-time state; every subsystem defines its slots
// in its own folder. Its members are public: the subsystems share them, and the tests read the
// state they check.
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
    bool frame_pending() const { return frame_timer.isActive(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void append_status(const QString &text);             // ui/status_setting.cpp
    void state_direction(const QString &text);           // ui/status_setting.cpp
    void watch_port_errors();                            // link/open_port.cpp
    void port_error(QSerialPort::SerialPortError error); // link/open_port.cpp
    void show_port_open(bool open);                      // link/open_port.cpp
    void refresh_port_list();                            // link/port_list.cpp
    void read_held_back_bytes();                         // link/decoder.cpp
    // The three read-outs, in the order a pass updates them.
    std::array<readout *, 3> readouts() const {
        return {temperature_edit, avg_velocity_edit, velocity_edit};
    }
    void show_in_next_frame();                            // ui/display_frame.cpp
    void show_frame();                                    // ui/display_frame.cpp
    void repaint_changes_alone();                         // ui/display_frame.cpp
    void put_on_line(const char *bytes, qint64 size);     // config/transmit.cpp
    bool sequence_may_start(void (frmain::*pressed)());   // config/commands.cpp
    void end_sequence();                                  // config/commands.cpp
    void run_when_free(std::function<void()> action);     // ui/frmain.cpp
    bool wait_for_sequence(std::function<void()> action); // ui/frmain.cpp
    void run_freed();                                     // ui/frmain.cpp
    void show_message_later(const QString &text);         // ui/frmain.cpp
    bool start_recording();                               // record/save_data.cpp
    bool stop_recording();                                // record/save_data.cpp
    void end_recording();                                 // record/save_data.cpp
    void record_chunk(const QByteArray &chunk);           // record/save_data.cpp
    bool write_record(const QByteArray &bytes);           // record/save_data.cpp

    QByteArray rx_chunk;       // what the last pass read
    record_split rx_records;   // the records through the byte stream, for the record file
    QByteArray unread_at_loss; // what the port held when the device went, not yet decoded
    bool port_opening = false; // the pause after opening runs
    // What waits for a sequence or the opening to end (see run_when_free).
    QList<std::function<void()>> waiting_for_line;
    display_frame next_frame;
    QTimer frame_timer;
    QElapsedTimer since_last_frame;

    // Set once Qt refuses to run event loops (the application is quitting): waits end at once
    // and nothing more is written.
    bool quitting = false;
};

#endif
