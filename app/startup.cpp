#include "app/startup.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTranslator>

namespace {
// Qt keeps its message handler process-wide, so the one replaced is kept the same way.
QtMessageHandler handler_before = nullptr;

void drop_cursor_visible(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text == QLatin1String("Unknown property cursorVisible"))
        return;
    if (handler_before)
        handler_before(type, context, text);
}
} // namespace

// Without scaling Qt keeps the window at 800 x 650 device pixels while every font given in points
// grows with the DPI, and a read-out then shows the end of its number: "86.512" for 1486.512 at
// 150 %. PassThrough keeps 125 % and 150 % as they are; Qt's default would round them to 1 and 2.
void enable_display_scaling() {
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void drop_style_sheet_noise() {
    QtMessageHandler before = qInstallMessageHandler(drop_cursor_visible);
    if (before != drop_cursor_visible)
        handler_before = before;
}

void install_catalogue(QApplication &app, QTranslator &translator) {
    translator.load(":/new/prefix1/qt_zh_CN.qm", QString(), QString(), QString());
    app.installTranslator(&translator);
}

QString read_style_sheet() {
    QFile qss(":/new/prefix1/QSS.qss");
    qss.open(QIODevice::ReadOnly);
    const QByteArray bytes = qss.readAll();
    qss.close();
    return QString::fromLatin1(bytes.constData());
}

// The window icon from the instrument picture, in the sizes a desktop shows. Handed over whole,
// the 1920 x 2560 picture is a 19 MB icon property that an X server refuses, and the program
// dies at start with "Maximum allowed requested length exceeded". Each size is decoded straight
// from the file at that size: decoding the whole picture first would cost 20 MB of memory.
QIcon window_icon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImageReader reader(":/icon/doc/1.png");
        reader.setScaledSize(reader.size().scaled(size, size, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void dress_window(frmain &window) {
    window.setWindowIcon(window_icon());
    window.setWindowTitle("声速仪显示配置终端V1.1");
    window.setFixedSize(800, 650);
}
