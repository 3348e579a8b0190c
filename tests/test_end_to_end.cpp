// The real window against the simulated instrument process.
#include "app/startup.h"
#include "support/link_fixture.h"
#include "support/sim_process.h"
#include "support/style_noise.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

class test_end_to_end : public QObject {
    Q_OBJECT
public:
    // Before the application object is made: the window scales as start-up scales it.
    static void initMain() { enable_display_scaling(); }

private slots:
    void initTestCase() { drop_known_style_noise(); }
    void readings_and_configuration();
    void hang_up_is_reported();
    void start_prints_no_style_noise();
};

void test_end_to_end::readings_and_configuration() {
    sim_process sim({"--seed", "11"});
    QVERIFY(sim.started());
    app_window w;
    QVERIFY(open_port(w));
    QTRY_VERIFY_WITH_TIMEOUT(w->velocity_edit->text() != "0000.000", 10000);
    QVERIFY(w->temperature_edit->text().endsWith("\r\n"));

    // Output rate 20: 60 records, which at the start rate of 8 a second take more than 6 s.
    // (The replies to the first commands of a sequence show while it still runs.)
    w->outrate_lineedit->setText("20");
    press(w->send_config_button);
    QVERIFY(w->staus_show->toPlainText().contains("OK uart bps 9600"));
    QVERIFY(w->staus_show->toPlainText().contains("OK data rate 20"));
    w->avg_point_count = 1000000;
    const quint32 before = w->velocity_count;
    QTRY_VERIFY_WITH_TIMEOUT(w->velocity_count - before >= 60, 6000);

    // Temperature output off.
    w->temp_combo->setCurrentIndex(1);
    press(w->send_config_button);
    QTRY_COMPARE_WITH_TIMEOUT(w->temperature_edit->text(), QString("0000.000"), 10000);
    QVERIFY(w->velocity_edit->text().endsWith("\r\n"));

    // Storing shows the instrument's question.
    press(w->save_config_button);
    QVERIFY(w->staus_show->toPlainText().contains("Store configuration? (y/n)"));
}

void test_end_to_end::hang_up_is_reported() {
    sim_process sim({"--hangup-after", "90", "--rate", "30"});
    QVERIFY(sim.started());
    app_window w;
    QVERIFY(open_port(w));
    QVERIFY(w.answerer.wait_for_messages(1, 5000));
    QCOMPARE(w.answerer.messages, QStringList{"\n串口连接已断开\n请检查设备连接！\n"});
    QCOMPARE(w->open_button->text(), QString("打开串口"));
    QVERIFY(w->port_combo->isEnabled());
    QVERIFY(!w->serial_port->isOpen());
    QVERIFY(w->velocity_count > 0 || w->velocity_edit->text() != "0000.000");
}

// The real program, started as an operator starts it: Qt's complaint about the read-outs' style
// sheet is kept out of its output, and its other messages are not.
void test_end_to_end::start_prints_no_style_noise() {
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("XDG_RUNTIME_DIR"); // Qt warns about that at start
    app.setProcessEnvironment(env);
    app.start(ORVANE_APP_PATH, QStringList());
    QVERIFY(app.waitForStarted(5000));
    QTest::qWait(2000); // shown, polished and painted
    app.kill();
    app.waitForFinished(5000);
    const QByteArray out = app.readAllStandardError() + app.readAllStandardOutput();
    QVERIFY2(out.contains("XDG_RUNTIME_DIR not set"), out.constData());
    QVERIFY2(!out.contains("cursorVisible"), out.constData());
}

QTEST_MAIN(test_end_to_end)
#include "test_end_to_end.moc"
