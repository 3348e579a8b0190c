#include "support/observe.h"

#include <QBackingStore>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#endif

QByteArray read_file(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

QImage on_screen(QWidget *widget) {
    QWidget *window = widget->window();
    const QPoint at = widget->mapTo(window, QPoint());
    // Qt's offscreen screen hands out only as many device pixels of a scaled window as it has
    // logical ones: its own pixels are read instead.
    QBackingStore *store = window->backingStore();
    if (QGuiApplication::platformName() == "offscreen" && store &&
        store->paintDevice()->devType() == QInternal::Image) {
        const qreal ratio = window->devicePixelRatioF();
        QImage pixels =
            static_cast<QImage *>(store->paintDevice())
                ->copy(QRectF(QPointF(at) * ratio, QSizeF(widget->size()) * ratio).toRect());
        pixels.setDevicePixelRatio(ratio);
        return pixels;
    }
    return window->screen()
        ->grabWindow(window->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

bool drawn_afresh(QWidget *widget) {
    const QImage now = on_screen(widget);
    // The window's repaint alone has been seen to leave the status area's scroll bar as it was.
    widget->window()->repaint();
    widget->repaint();
    return on_screen(widget) == now;
}

qint64 cpu_ms() {
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME &t) {
        return ((qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
#else
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
#endif
}

long rss_kib() {
    for (const QByteArray &line : read_file("/proc/self/status").split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
