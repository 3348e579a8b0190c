#ifndef RECORDER_H
#define RECORDER_H

#include <QByteArray>
#include <QString>

class QFile;

// The record file: a start stamp line, every byte received while it is open, a stop stamp line.
// It holds no widget; the window's save button and its boxes are the window's.
class recorder {
public:
    explicit recorder(QFile *file) : file(file) {}

    bool recording() const;
    // Opens path, truncating it; false (and nothing open) where it cannot be opened.
    bool open(const QString &path);
    // Writes and flushes at once, so what was received is on disk before the next chunk comes.
    // Nothing while no recording is open. A failed or short write closes the file: false.
    bool write(const QByteArray &bytes);
    void close();

private:
    QFile *file;
};

#endif
