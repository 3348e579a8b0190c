// The window on a real COM port (ORVANE_TEST_PORT) whose far end tools/pty-instrument plays: it
// streams "$ 1486.512 25.400" CR LF ten times a second and, when asked, hangs up once a whole
// configuration sequence has come. tools/windows-check runs each function on its own against a
// fresh instrument. Skipped when ORVANE_TEST_PORT is unset.
#include "app/startup.h"
#include "support/app_window.h"
#include "support/observe.h"
#include "support/style_noise.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

namespace {
const QByteArray record = "$ 1486.512 25.400\r\n";

QString test_port() {
    return qEnvironmentVariable("ORVANE_TEST_PORT");
}

bool open_test_port(app_window &w) {
    const int index = w->port_combo->findText(test_port());
    if (index < 0)
        return false;
    w->port_combo->setCurrentIndex(index);
    QTest::mouseClick(w->open_button, Qt::LeftButton);
    return w->serial_port->isOpen() && w->open_button->text() == "关闭串口";
}

// Records for a while into a new file and returns what landed on disk.
QByteArray record_for(app_window &w, int ms) {
    QTemporaryDir dir;
    const QString path = dir.filePath("record.txt");
    w.answerer.answer_save_dialog(path);
    QTest::mouseClick(w->save_data_button, Qt::LeftButton);
    QTest::qWait(ms);
    QTest::mouseClick(w->save_data_button, Qt::LeftButton);
    return read_file(path);
}
} // namespace

class test_com_port : public QObject {
    Q_OBJECT
public:
    // Before the application object is made: the window scales as start-up scales it.
    static void initMain() { enable_display_scaling(); }

private slots:
    void initTestCase();
    void record_file_line_ends();
    void records_reach_the_operator();
};

void test_com_port::initTestCase() {
    drop_known_style_noise();
    if (test_port().isEmpty())
        QSKIP("ORVANE_TEST_PORT names no port");
    // The Windows save dialog is no Qt widget, so the answerer could not fill it in.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void test_com_port::record_file_line_ends() {
    app_window w;
    QVERIFY(open_test_port(w));
    const QByteArray bytes = record_for(w, 1500);
    static const QRegularExpression stamp("^\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d\\d\\r\\n");
    QVERIFY2(stamp.match(bytes).hasMatch(), bytes.constData());
    QVERIFY2(QRegularExpression("\\d{4}(_\\d\\d){5}\\r\\n$").match(bytes).hasMatch(),
             bytes.constData());
    QVERIFY(!bytes.contains("\r\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QVERIFY(w.answerer.messages.isEmpty());
}

void test_com_port::records_reach_the_operator() {
    app_window w;
    QVERIFY(open_test_port(w));
    QTRY_VERIFY2_WITH_TIMEOUT(w->velocity_edit->text() == "1486.512",
                              "no record reached the read-outs", 5000);
    QCOMPARE(w->temperature_edit->text(), QString("25.400\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(w->avg_velocity_edit->text(), QString("1486.512"), 5000);
    QVERIFY(w->staus_show->toPlainText().contains("$ 1486.512 25.400"));
    const QByteArray bytes = record_for(w, 1500);
    QVERIFY2(bytes.count(record) >= 5, bytes.constData());
    QVERIFY(!bytes.contains("\r\r\n"));

    // The instrument hangs up once the whole configuration has come.
    QTest::mouseClick(w->send_config_button, Qt::LeftButton);
    QVERIFY(w.answerer.wait_for_messages(1, 10000));
    QVERIFY(!w->serial_port->isOpen());
    QCOMPARE(w->open_button->text(), QString("打开串口"));
    const qint64 cpu_before = cpu_ms();
    QTest::qWait(2000);
    QVERIFY2(cpu_ms() - cpu_before < 1000, "busy after the hang-up");
    QCOMPARE(w.answerer.messages, QStringList{"\n串口连接已断开\n请检查设备连接！\n"});
}

QTEST_MAIN(test_com_port)
#include "test_com_port.moc"
