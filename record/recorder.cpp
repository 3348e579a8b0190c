#include "record/recorder.h"

#include <QFile>

bool recorder::recording() const {
    return file->isOpen();
}

bool recorder::open(const QString &path) {
    file->close();
    file->setFileName(path);
    // Binary on purpose: text mode would turn the instrument's CR LF into CR CR LF on Windows.
    return file->open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool recorder::write(const QByteArray &bytes) {
    if (!file->isOpen())
        return true;
    if (file->write(bytes) == bytes.size() && file->flush())
        return true;
    file->close();
    return false;
}

void recorder::close() {
    file->close();
}
