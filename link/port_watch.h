#ifndef PORT_WATCH_H
#define PORT_WATCH_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// Watches for a lost port to come back: once a second, no busy loop. On Windows a port whose
// adapter is gone may still be listed, so it is tried; elsewhere its device node is looked for.
// Once it has been there for a second, reopen is called each second until it returns true.
class port_watch : public QObject {
public:
    explicit port_watch(QObject *parent);

    // Whether reopening worked; false: try again in a second.
    std::function<bool()> reopen;

    void start(const QString &location);
    void stop();
    bool watching() const { return timer.isActive(); }

    // Whether the operator has been told of a loss since the last click on the open button: a
    // port that keeps dropping raises one box.
    bool loss_told = false;

    // Whether a failed reopening is to be said in the status area: once a minute at the most.
    bool failure_to_tell();

private:
    void look();

    QTimer timer;
    QString location;
    int seen_present = 0;
    QElapsedTimer since_failure_told;
};

// Whether the device behind location is there now: a character device (through links) on
// Linux, a port that opens on Windows.
bool device_present(const QString &location);

#endif
