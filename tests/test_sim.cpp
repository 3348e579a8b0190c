// The simulated instrument on its own: its equation, its answers, and its line.
#include "instrument.h"
#include "mackenzie.h"
#include "support/sim_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <random>

namespace {
const QRegularExpression two_fields("^\\$ (\\d{4}\\.\\d{3}) (\\d{1,2}\\.\\d{3})\r$");
const QRegularExpression one_field("^\\$ (\\d{4}\\.\\d{3})\r$");

int count_matching(const QByteArray &bytes, const QRegularExpression &pattern) {
    int n = 0;
    for (const QByteArray &line : bytes.split('\n'))
        if (pattern.match(QString::fromLatin1(line)).hasMatch())
            ++n;
    return n;
}

// Conditions to read until, with a generous limit: a busy machine may be slow, never wrong.
const int limit_ms = 10000;
auto has(const char *text) {
    return [text](const QByteArray &b) { return b.contains(text); };
}
auto at_least(int n, const QRegularExpression &pattern) {
    return [n, &pattern](const QByteArray &b) { return count_matching(b, pattern) >= n; };
}

// An instrument that fell behind catches up on at most one second of records, so n records at
// a given rate take at least this long.
qint64 least_ms_for(int n, int rate) {
    return qint64(n - rate - 1) * 1000 / rate;
}
} // namespace

class test_sim : public QObject {
    Q_OBJECT
private slots:
    void check_value();
    void commands_data();
    void commands();
    void store_needs_confirmation();
    void record_values();
    void records_and_rate();
    void rate_and_temperature_commands();
    void mismatched_line_is_garbled();
    void survives_random_bytes();
    void link_removed_at_exit();
    void hangs_up_after_n();
};

void test_sim::check_value() {
    QCOMPARE(QString::number(mackenzie_velocity(25, 35, 1000), 'f', 3), QString("1550.744"));
    QProcess check;
    check.start(ORVANE_SIM_PATH, {"--check"});
    QVERIFY(check.waitForFinished(5000));
    QCOMPARE(check.readAllStandardOutput(), QByteArray("1550.744\n"));
}

void test_sim::commands_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reply");
    QTest::newRow("baud") << "uart bps 115200"
                          << "OK uart bps 115200\r\n";
    QTest::newRow("bad baud") << "uart bps 1200"
                              << "ERR";
    QTest::newRow("rate") << "data rate 20"
                          << "OK data rate 20\r\n";
    QTest::newRow("rate 08") << "data rate 08"
                             << "OK data rate 8\r\n";
    QTest::newRow("rate 31") << "data rate 31"
                             << "ERR";
    QTest::newRow("rate abc") << "data rate abc"
                              << "ERR";
    QTest::newRow("enable") << "water temp enable"
                            << "OK water temp enable\r\n";
    QTest::newRow("disable") << "water temp disable"
                             << "OK water temp disable\r\n";
    QTest::newRow("unknown") << "hello $ there"
                             << "ERR";
    QTest::newRow("blank") << ""
                           << "";
}

void test_sim::commands() {
    QFETCH(QString, line);
    QFETCH(QString, reply);
    instrument probe({}, 35, 0, 15, 1);
    const QString got = QString::fromStdString(probe.command(line.toStdString()));
    QVERIFY2(got.startsWith(reply), qPrintable(got));
    QVERIFY(!got.contains('$'));
    if (!got.isEmpty())
        QVERIFY(got.endsWith("\r\n"));
}

void test_sim::store_needs_confirmation() {
    instrument probe({}, 35, 0, 15, 1);
    probe.command("data rate 12");
    QCOMPARE(probe.stored().rate, 8);
    QCOMPARE(probe.command("done"), std::string("Store configuration? (y/n)\r\n"));
    QCOMPARE(probe.command("y"), std::string("OK configuration stored\r\n"));
    QCOMPARE(probe.stored().rate, 12);
    QVERIFY(probe.command("y").rfind("ERR", 0) == 0);
    probe.command("done");
    QCOMPARE(probe.command("n"), std::string("Store cancelled\r\n"));
}

void test_sim::record_values() {
    instrument probe({}, 35, 0, 15, 7);
    instrument again({}, 35, 0, 15, 7);
    double first_t = 0, last_t = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::string record = probe.next_record();
        QCOMPARE(record, again.next_record()); // the same seed, the same run
        const auto m = two_fields.match(QString::fromStdString(record).chopped(1));
        QVERIFY2(m.hasMatch(), record.c_str());
        const double v = m.captured(1).toDouble(), t = m.captured(2).toDouble();
        QVERIFY(qAbs(v - mackenzie_velocity(t, 35, 0)) < 0.1);
        if (i == 0)
            first_t = t;
        last_t = t;
    }
    QVERIFY(qAbs(last_t - first_t) < 1.0); // drifts slowly
}

void test_sim::records_and_rate() {
    sim_process sim({"--seed", "3"});
    QVERIFY(sim.started());
    QVERIFY(sim.open_line(9600));
    sim.read_for(300);
    QElapsedTimer clock;
    clock.start();
    const QByteArray bytes = sim.read_until(at_least(24, two_fields), limit_ms);
    const int records = count_matching(bytes, two_fields);
    QVERIFY2(records >= 24, qPrintable(QString::number(records)));
    QVERIFY2(clock.elapsed() >= least_ms_for(records, 8), qPrintable(QString::number(records)));
    QCOMPARE(records, bytes.count('\n'));
}

void test_sim::rate_and_temperature_commands() {
    sim_process sim({"--seed", "4"});
    QVERIFY(sim.started());
    QVERIFY(sim.open_line(9600));
    sim.write("data rate 20\r");
    QVERIFY(sim.read_until(has("OK data rate 20\r\n"), limit_ms).contains("OK data rate 20"));
    // At 8 a second, 60 records take more than 6 s; at 20, at least 1.95 s.
    QElapsedTimer clock;
    clock.start();
    const int fast = count_matching(sim.read_until(at_least(60, two_fields), 6000), two_fields);
    QVERIFY2(fast >= 60, qPrintable(QString::number(fast)));
    QVERIFY(clock.elapsed() >= least_ms_for(fast, 20));

    sim.write("water temp disable\r");
    QVERIFY(sim.read_until(has("OK water temp disable\r\n"), limit_ms).contains("disable"));
    const QByteArray without = sim.read_until(at_least(15, one_field), limit_ms);
    QVERIFY(count_matching(without, one_field) >= 15);
    QCOMPARE(count_matching(without, two_fields), 0);

    sim.write("bogus\r");
    QVERIFY(sim.read_until(has("ERR unknown command: bogus\r\n"), limit_ms).contains("bogus"));
}

void test_sim::mismatched_line_is_garbled() {
    sim_process sim({"--seed", "5"});
    QVERIFY(sim.started());
    QVERIFY(sim.open_line(19200));
    sim.read_for(300); // what was sent before the line was set
    const QByteArray wrong =
        sim.read_until([](const QByteArray &b) { return b.size() > 50; }, limit_ms);
    QVERIFY(wrong.size() > 50);
    QVERIFY(!wrong.contains('$'));
    sim.set_baud(9600);
    sim.read_for(200);
    QVERIFY(count_matching(sim.read_until(at_least(6, two_fields), limit_ms), two_fields) >= 6);

    // After "uart bps" the instrument talks at its new rate.
    sim.write("uart bps 38400\r");
    QVERIFY(sim.read_until(has("OK uart bps 38400\r\n"), limit_ms).contains("38400"));
    QVERIFY(!sim.read_for(600).contains('$'));
    sim.set_baud(38400);
    sim.read_for(200);
    QVERIFY(count_matching(sim.read_until(at_least(6, two_fields), limit_ms), two_fields) >= 6);
}

void test_sim::survives_random_bytes() {
    sim_process sim({"--seed", "6"});
    QVERIFY(sim.started());
    QVERIFY(sim.open_line(9600));
    std::mt19937 rng(42);
    QByteArray noise;
    for (int i = 0; i < 20000; ++i)
        noise.append(char(rng() & 0xff));
    sim.write(noise);
    QVERIFY(sim.read_until(has("ERR"), limit_ms).contains("ERR"));
    sim.read_for(300);
    QVERIFY(count_matching(sim.read_until(at_least(6, two_fields), limit_ms), two_fields) >= 6);
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void test_sim::link_removed_at_exit() {
    sim_process sim;
    QVERIFY(sim.started());
    QVERIFY(QFileInfo(sim.link_path()).isSymLink());
    const QString log = sim.stop();
    QVERIFY(log.contains("stopped"));
    QVERIFY(!QFileInfo(sim.link_path()).isSymLink());
}

void test_sim::hangs_up_after_n() {
    sim_process sim({"--hangup-after", "5", "--rate", "30"});
    QVERIFY(sim.started());
    QVERIFY(sim.open_line(9600));
    QVERIFY(sim.process().waitForFinished(5000));
    QVERIFY(sim.process().readAllStandardError().contains("hung up after 5 records"));
    QVERIFY(!QFileInfo(sim.link_path()).isSymLink());
}

QTEST_GUILESS_MAIN(test_sim)
#include "test_sim.moc"
