// A long run of the real window against orvane-sim while recording: records shown against
// records sent, bytes in the file against bytes sent, resident memory and CPU over time.
// Run it under an X server (bench/soak does). Not a test.
#include "support/dialog_answerer.h"
#include "support/observe.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <cstdio>
#include <sys/resource.h>

namespace {
double rss_mb() {
    return rss_kib() / 1024.0;
}
} // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    const long records = argc > 1 ? QByteArray(argv[1]).toLong() : 1000000;
    QTemporaryDir dir;
    qputenv("ORVANE_PORT_DIR", dir.path().toLocal8Bit());

    QProcess sim;
    sim.start(ORVANE_SIM_PATH,
              {dir.path(), "--baud", "115200", "--line-speed", "--burst", "5", "--noise-every",
               "50", "--nul-every", "7", "--seed", "2026", "--records", QString::number(records)});
    sim.waitForReadyRead(5000);
    std::printf("%s", sim.readLine().constData());

    dialog_answerer answerer;
    frmain w(nullptr);
    w.setFixedSize(800, 650);
    w.show();
    w.baud_combo->setCurrentIndex(6);
    w.avg_point_count = 4000000000u; // velocity_count then counts every record shown
    // Recording before the port opens: every byte the simulator counts as sent either waits in
    // the line until the port reads it or was refused by the full line (and then not counted), so
    // what it sent is what the file must hold, and a difference is a real loss.
    const QString path = dir.filePath("soak.txt");
    answerer.answer_save_dialog(path);
    QTest::mouseClick(w.save_data_button, Qt::LeftButton);
    QTest::mouseClick(w.open_button, Qt::LeftButton);

    QElapsedTimer clock;
    clock.start();
    qint64 last_report = 0, cpu_at_report = cpu_ms();
    std::printf("%8s %12s %10s %8s\n", "seconds", "records", "RSS MB", "CPU %");
    while (sim.state() != QProcess::NotRunning) {
        QTest::qWait(200);
        if (clock.elapsed() - last_report >= 60000) {
            const qint64 cpu = cpu_ms();
            std::printf("%8lld %12u %10.1f %8.1f\n", clock.elapsed() / 1000, w.velocity_count,
                        rss_mb(), 100.0 * (cpu - cpu_at_report) / (clock.elapsed() - last_report));
            last_report = clock.elapsed();
            cpu_at_report = cpu;
        }
    }
    QTest::qWait(500);
    QTest::mouseClick(w.save_data_button, Qt::LeftButton);
    const QString log = QString::fromLocal8Bit(sim.readAllStandardError());
    std::printf("%s", qPrintable(log));
    // "stopped after N records, M bytes sent"
    const QStringList words = log.split(' ');
    const long sent_records = words.value(words.indexOf("records,") - 1).toLong();
    const long sent_bytes = words.value(words.indexOf("bytes") - 1).toLong();
    const qint64 body = QFileInfo(path).size() - 42;
    std::printf("records sent %ld, shown %u; bytes sent %ld, in the file %lld; %s\n", sent_records,
                w.velocity_count, sent_bytes, body,
                sent_records == long(w.velocity_count) && sent_bytes == body ? "nothing lost"
                                                                             : "LOSS");
    std::printf("elapsed %.0f s, CPU %.1f %% of one core, RSS %.1f MB, status lines %d\n",
                clock.elapsed() / 1000.0, 100.0 * cpu_ms() / clock.elapsed(), rss_mb(),
                w.staus_show->document()->blockCount());
    return 0;
}
