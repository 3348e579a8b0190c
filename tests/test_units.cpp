// The pure pieces beside the slots: port names, line settings, the status-area bound, command
// texts and time-stamp lines.
#include "config/command_text.h"
#include "link/line_settings.h"
#include "link/port_errors.h"
#include "link/port_list.h"
#include "link/port_name.h"
#include "record/stamp.h"
#include "ui/status_area.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class test_units : public QObject {
    Q_OBJECT
private slots:
    void port_names_data();
    void port_names();
    void ports_listed_data();
    void ports_listed();
    void port_folder_data();
    void port_folder();
    void baud_texts_data();
    void baud_texts();
    void index_settings();
    void device_gone_data();
    void device_gone();
    void status_trim();
    void commands();
    void output_rate_check_data();
    void output_rate_check();
    void point_count_data();
    void point_count();
    void stamp();
};

void test_units::port_names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
    QTest::newRow("COM1") << "COM1"
                          << ""
                          << "COM1";
    QTest::newRow("COM11 with dir") << "COM11"
                                    << "C:/ports"
                                    << "COM11";
#else
    QTest::newRow("COM1") << "COM1"
                          << ""
                          << "/dev/ttyS0";
    QTest::newRow("COM11") << "COM11"
                           << ""
                           << "/dev/ttyS10";
    QTest::newRow("COM1 in dir") << "COM1"
                                 << "/tmp/ports"
                                 << "/tmp/ports/COM1";
    QTest::newRow("COM10 in dir, trailing slash") << "COM10"
                                                  << "/tmp/ports/"
                                                  << "/tmp/ports/COM10";
    QTest::newRow("not a COM name") << "/dev/ttyUSB0"
                                    << ""
                                    << "/dev/ttyUSB0";
#endif
}

void test_units::port_names() {
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(QString, expected);
    QCOMPARE(resolve_port_name(name, dir), expected);
}

void test_units::ports_listed_data() {
    QTest::addColumn<QStringList>("found"); // name, then location
    QTest::addColumn<QStringList>("fixed_locations");
    QTest::addColumn<QStringList>("after_fixed");
    const QStringList windows_fixed = fixed_port_names();
    QStringList linux_fixed;
    for (int n = 0; n <= 10; ++n)
        linux_fixed << QString("/dev/ttyS%1").arg(n);
    QTest::newRow("Windows: COM14 after COM11")
        << QStringList{"COM1", "\\\\.\\COM1", "COM14", "\\\\.\\COM14", "COM2", "\\\\.\\COM2"}
        << windows_fixed << QStringList{"COM14"};
    QTest::newRow("natural order")
        << QStringList{"COM100", "", "COM12", "", "COM3", "", "COM20", "", "com13", ""}
        << windows_fixed << QStringList{"COM12", "com13", "COM20", "COM100"};
    QTest::newRow("Linux devices, the fixed ones' left out")
        << QStringList{"ttyS0",   "/dev/ttyS0",   "ttyUSB10", "/dev/ttyUSB10",
                       "ttyUSB2", "/dev/ttyUSB2", "ttyACM0",  "/dev/ttyACM0"}
        << linux_fixed << QStringList{"ttyACM0", "ttyUSB2", "ttyUSB10"};
    QTest::newRow("a port folder's COM14")
        << QStringList{"COM14", "/ports/COM14", "ttyS0", "/dev/ttyS0", "COM1", "/ports/COM1"}
        << QStringList{"/ports/COM1", "/ports/COM2"} << QStringList{"COM14", "ttyS0"};
    QTest::newRow("each once") << QStringList{"COM14", "/a", "COM14", "/b", "", "/c"}
                               << windows_fixed << QStringList{"COM14"};
    QTest::newRow("leading zeros") << QStringList{"COM012", "", "COM9", "", "COM12x", ""}
                                   << QStringList() << QStringList{"COM012", "COM12x"};
}

void test_units::ports_listed() {
    QFETCH(QStringList, found);
    QFETCH(QStringList, fixed_locations);
    QFETCH(QStringList, after_fixed);
    QList<listed_port> ports;
    for (int i = 0; i + 1 < found.size(); i += 2)
        ports << listed_port{found[i], QString(), found[i + 1]};
    QStringList names;
    for (const listed_port &port : ports_after_fixed(ports, fixed_locations))
        names << port.name;
    QCOMPARE(names, after_fixed);
}

void test_units::port_folder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind"); // a link to ..., a folder or a file
    QTest::addColumn<bool>("listed");
    QTest::newRow("link to a terminal") << "COM400"
                                        << "/dev/null" << true;
    QTest::newRow("link to a link to a terminal") << "COM400"
                                                  << "link" << true;
    QTest::newRow("dangling link") << "COM400"
                                   << "gone" << false;
    QTest::newRow("link to a folder") << "COM400"
                                      << "/tmp" << false;
    QTest::newRow("folder") << "COM401"
                            << "folder" << false;
    QTest::newRow("plain file") << "COM402"
                                << "file" << false;
    QTest::newRow("not a COM name") << "ttyX"
                                    << "/dev/null" << false;
}

// Only what can be a port is listed from a port folder.
void test_units::port_folder() {
#ifdef Q_OS_WIN
    QSKIP("port folders are for Linux");
#endif
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, listed);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (kind == "file")
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    else if (kind == "link")
        QVERIFY(QFile::link("/dev/null", dir.filePath("tty")) &&
                QFile::link(dir.filePath("tty"), path));
    else
        QVERIFY(QFile::link(kind.startsWith('/') ? kind : dir.filePath(kind), path));
    QStringList names;
    for (const listed_port &port : port_folder_ports(dir.path()))
        names << port.name;
    QCOMPARE(names, listed ? QStringList{name} : QStringList());
}

void test_units::baud_texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rate");
    for (int rate : {2400, 4800, 9600, 19200, 38400, 57600, 115200})
        QTest::newRow(qPrintable(QString::number(rate))) << QString::number(rate) << rate;
    QTest::newRow("unknown") << "1200" << -1;
    QTest::newRow("blank after") << "9600 " << -1;
    QTest::newRow("empty") << "" << -1;
}

void test_units::baud_texts() {
    QFETCH(QString, text);
    QFETCH(int, rate);
    const auto got = baud_from_text(text);
    QCOMPARE(got.has_value() ? *got : -1, rate);
}

void test_units::index_settings() {
    QCOMPARE(*data_bits_from_index(0), QSerialPort::Data5);
    QCOMPARE(*data_bits_from_index(1), QSerialPort::Data6);
    QCOMPARE(*data_bits_from_index(2), QSerialPort::Data7);
    QCOMPARE(*data_bits_from_index(3), QSerialPort::Data8);
    QVERIFY(!data_bits_from_index(4));
    QVERIFY(!data_bits_from_index(-1));
    QCOMPARE(*parity_from_index(0), QSerialPort::NoParity);
    QCOMPARE(*parity_from_index(1), QSerialPort::OddParity);
    QCOMPARE(*parity_from_index(2), QSerialPort::EvenParity);
    QCOMPARE(*parity_from_index(3), QSerialPort::MarkParity);
    QCOMPARE(*parity_from_index(4), QSerialPort::SpaceParity);
    QVERIFY(!parity_from_index(5));
    QVERIFY(!parity_from_index(-1));
    QCOMPARE(*stop_bits_from_index(0), QSerialPort::OneStop);
    QCOMPARE(*stop_bits_from_index(1), QSerialPort::OneAndHalfStop);
    QCOMPARE(*stop_bits_from_index(2), QSerialPort::TwoStop);
    QVERIFY(!stop_bits_from_index(3));
    QVERIFY(!stop_bits_from_index(-1));
}

void test_units::device_gone_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("on_linux");
    QTest::addColumn<bool>("on_windows");
    QTest::newRow("resource") << int(QSerialPort::ResourceError) << true << true;
    QTest::newRow("read") << int(QSerialPort::ReadError) << true << true;
    QTest::newRow("write") << int(QSerialPort::WriteError) << true << true;
    // Windows: a completed read's ERROR_ACCESS_DENIED, and codes Qt does not map.
    QTest::newRow("permission") << int(QSerialPort::PermissionError) << false << true;
    QTest::newRow("unknown") << int(QSerialPort::UnknownError) << false << true;
    QTest::newRow("setting refused")
        << int(QSerialPort::UnsupportedOperationError) << false << false;
    QTest::newRow("timeout") << int(QSerialPort::TimeoutError) << false << false;
    QTest::newRow("not open") << int(QSerialPort::NotOpenError) << false << false;
    QTest::newRow("none") << int(QSerialPort::NoError) << false << false;
}

void test_units::device_gone() {
    QFETCH(int, error);
    QFETCH(bool, on_linux);
    QFETCH(bool, on_windows);
    const auto e = QSerialPort::SerialPortError(error);
    QCOMPARE(means_device_gone(e, false), on_linux);
    QCOMPARE(means_device_gone(e, true), on_windows);
    QCOMPARE(means_device_gone(e), port_errors_from_windows ? on_windows : on_linux);
}

void test_units::status_trim() {
    QCOMPARE(status_lines_to_trim(0), 0);
    QCOMPARE(status_lines_to_trim(status_max_lines), 0);
    QCOMPARE(status_lines_to_trim(status_max_lines + 1), status_max_lines + 1 - status_keep_lines);
    QCOMPARE(status_lines_to_trim(50000), 50000 - status_keep_lines);

    // A backlog goes in a bounded number of lines at a time; lines that an area's worth of
    // newer ones follow are left out.
    QCOMPARE(first_lines_length("a\nb\nc", 2), 4);
    QCOMPARE(first_lines_length("a\nb", 5), 3);
    QCOMPARE(all_but_last_lines_length("a\nb\nc\n", 2), 2);
    QCOMPARE(all_but_last_lines_length("a\nb\nc", 2), 2);
    QCOMPARE(all_but_last_lines_length("\nb", 2), 0);
    QCOMPARE(all_but_last_lines_length("a\nb", 5), 0);

    // Records go in unshaped; anything else keeps its shaping.
    QVERIFY(plain_ascii_lines("$ 1486.512 25.400\r\n\t~"));
    QVERIFY(!plain_ascii_lines(QString::fromUtf8("\xe8\xae\xbe\xe7\xbd\xae\n")));
    QVERIFY(!plain_ascii_lines(QString::fromUtf8("e\xcc\x81")));
    QVERIFY(!plain_ascii_lines(QString(QChar(0x1b))));
}

void test_units::commands() {
    QCOMPARE(baud_command("9600"), QString("uart bps 9600"));
    QCOMPARE(baud_command("115200"), QString("uart bps 115200"));
    QCOMPARE(rate_command("08"), QString("data rate 08"));
    QCOMPARE(temperature_command(0), QString("water temp enable"));
    QCOMPARE(temperature_command(1), QString("water temp disable"));
    QCOMPARE(temperature_command(-1), QString("water temp disable"));
}

void test_units::output_rate_check_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");
    QTest::newRow("empty") << "" << int(rate_check::empty);
    QTest::newRow("1") << "1" << int(rate_check::in_range);
    QTest::newRow("30") << "30" << int(rate_check::in_range);
    QTest::newRow("08") << "08" << int(rate_check::in_range);
    QTest::newRow("0") << "0" << int(rate_check::out_of_range);
    QTest::newRow("31") << "31" << int(rate_check::out_of_range);
    QTest::newRow("-5") << "-5" << int(rate_check::out_of_range);
    QTest::newRow("abc") << "abc" << int(rate_check::out_of_range);
    QTest::newRow("blank") << " " << int(rate_check::out_of_range);
    QTest::newRow("blank before") << " 8" << int(rate_check::out_of_range);
    QTest::newRow("blank after") << "8 " << int(rate_check::out_of_range);
    QTest::newRow("plus") << "+8" << int(rate_check::out_of_range);
    QTest::newRow("full-width digit") << "８" << int(rate_check::out_of_range);
}

void test_units::output_rate_check() {
    QFETCH(QString, text);
    QFETCH(int, result);
    QCOMPARE(int(check_output_rate(text)), result);
}

void test_units::point_count_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("10") << "10" << 10;
    QTest::newRow("007") << "007" << 7;
    QTest::newRow("1000") << "1000" << 1000;
    QTest::newRow("0") << "0" << -1;
    QTest::newRow("-3") << "-3" << -1;
    QTest::newRow("abc") << "abc" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("too large") << "99999999999" << -1;
}

void test_units::point_count() {
    QFETCH(QString, text);
    QFETCH(int, count);
    const auto got = parse_point_count(text);
    QCOMPARE(got ? int(*got) : -1, count);
}

void test_units::stamp() {
    const QDateTime when(QDate(2025, 1, 31), QTime(9, 5, 0));
    QCOMPARE(stamp_line(when), QByteArray("2025_01_31_09_05_00\r\n"));
    QCOMPARE(stamp_line(QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59))).size(), 21);
}

int main(int argc, char *argv[]) {
    // A system locale whose digits are not ASCII: time stamps must not follow it.
    qputenv("LC_ALL", "ar_EG");
    test_units units;
    return QTest::qExec(&units, argc, argv);
}
#include "test_units.moc"
