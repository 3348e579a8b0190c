// The window on a real COM port (ORVANE_TEST_PORT) whose far end tools/pty-instrument plays: it
// streams "$ 1486.512 25.400" CR LF ten times a second and, when asked, hangs up once a whole
// configuration sequence has come. tools/windows-check runs each function on its own against a
// fresh instrument. Skipped when ORVANE_TEST_PORT is unset. Where ORVANE_TEST_INSTRUMENT names the
// instrument's folder, the test steps it itself through files put there: bytes to say, the device
// lost, the device back.
#include "app/startup.h"
#include "support/app_window.h"
#include "support/observe.h"
#include "support/style_noise.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

QString instrument_dir() {
    return qEnvironmentVariable("ORVANE_TEST_INSTRUMENT");
}

// Puts a step for the instrument in its folder, whole, and waits until it is done.
bool tell_instrument(const QString &step, const QByteArray &bytes = {}) {
    const QDir dir(instrument_dir());
    QFile part(dir.filePath(step + ".part"));
    if (!part.open(QIODevice::WriteOnly) || part.write(bytes) != bytes.size())
        return false;
    part.close();
    if (!part.rename(dir.filePath(step)))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (dir.exists(step) && clock.elapsed() < 5000)
        QTest::qWait(20);
    return !dir.exists(step);
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
    void port_comes_back();
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

// The device goes while a recording runs and comes back on the same COM name: the loss is told
// once, the port reopened by itself within seconds, and the file goes on after the gap.
void test_com_port::port_comes_back() {
    if (instrument_dir().isEmpty())
        QSKIP("ORVANE_TEST_INSTRUMENT names no instrument to step");
    app_window w;
    QVERIFY(open_test_port(w));
    QTemporaryDir dir;
    const QString path = dir.filePath("across.txt");
    w.answerer.answer_save_dialog(path);
    QTest::mouseClick(w->save_data_button, Qt::LeftButton);
    const QByteArray before = "$ 1486.101 25.400\r\n$ 1486.102 25.400\r\n";
    QVERIFY(tell_instrument("say", before));
    QTRY_COMPARE_WITH_TIMEOUT(w->velocity_edit->text(), QString("1486.102"), 5000);

    // Answered at once: a box left open runs its own event loop, under which the test could
    // not go on to bring the device back.
    QVERIFY(tell_instrument("lose"));
    QVERIFY(w.answerer.wait_for_messages(1, 10000));
    QTRY_VERIFY(w->staus_show->toPlainText().contains("串口连接已断开 "));
    QCOMPARE(w->open_button->text(), QString("打开串口"));
    // Gone: the watch's tries fail, and nothing is opened.
    QTest::qWait(2500);
    QCOMPARE(w->open_button->text(), QString("打开串口"));

    QVERIFY(tell_instrument("return"));
    QTRY_VERIFY_WITH_TIMEOUT(w->staus_show->toPlainText().contains("串口已重新连接 "), 10000);
    QCOMPARE(w->open_button->text(), QString("关闭串口"));
    QCOMPARE(w.answerer.messages, QStringList{"\n串口连接已断开\n请检查设备连接！\n"});

    const QByteArray after = "$ 1487.101 25.400\r\n$ 1487.102 25.400\r\n";
    QVERIFY(tell_instrument("say", after));
    QTRY_COMPARE_WITH_TIMEOUT(w->velocity_edit->text(), QString("1487.102"), 5000);
    const QString status = w->staus_show->toPlainText();
    const auto in_order = [&](const char *first, const char *then) {
        const int at = status.indexOf(QRegularExpression(QString::fromUtf8(first)));
        return at >= 0 && at < status.indexOf(QRegularExpression(QString::fromUtf8(then)));
    };
    QVERIFY(in_order("\\$ 1486.102", "串口连接已断开 \\d\\d:\\d\\d:\\d\\d\n"));
    QVERIFY(in_order("串口连接已断开 ", "串口已重新连接 \\d\\d:\\d\\d:\\d\\d\n"));
    QVERIFY(in_order("串口已重新连接 ", "\\$ 1487.101"));
    QTest::mouseClick(w->save_data_button, Qt::LeftButton);
    const QByteArray bytes = read_file(path);
    QCOMPARE(bytes.mid(21).chopped(21), before + after);
}

QTEST_MAIN(test_com_port)
#include "test_com_port.moc"
