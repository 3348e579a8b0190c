#include "app/startup.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTranslator>
#include <QWindow>
#include <private/qhighdpiscaling_p.h>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

#include <cmath>

namespace {
// Qt keeps its message handler process-wide, so the one replaced is kept the same way.
QtMessageHandler handler_before = nullptr;

void drop_cursor_visible(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text == QLatin1String("Unknown property cursorVisible"))
        return;
    if (handler_before)
        handler_before(type, context, text);
}

// The window's fixed size, at 100 %.
const QSize window_size(800, 650);

// The frame the platform puts around the window, in device pixels. Windows knows it for a window
// made and never shown; where the window manager tells it only once a window is on screen (X11),
// a title bar as tall as the style's at the display's scale.
QMargins window_frame(QScreen *screen) {
    QMargins frame;
    {
        QWindow probe(screen);
        probe.setMinimumSize(window_size);
        probe.setMaximumSize(window_size);
        probe.create();
        if (probe.handle())
            frame = probe.handle()->frameMargins();
    }
    if (frame.isNull())
        frame.setTop(qCeil(QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) *
                           screen->devicePixelRatio()));
    return frame;
}

// Qt's own variables for the scale: where the operator set one, the scale is theirs.
bool scale_set_by_operator() {
    for (const char *name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                             "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR_ROUNDING_POLICY"})
        if (qEnvironmentVariableIsSet(name))
            return true;
    return false;
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

qreal fitting_scale(const QSize &work_area, qreal display_scale, const QMargins &frame) {
    const QSize room = work_area.shrunkBy(frame);
    // In thousandths, rounded down: the window's device pixels, however Qt rounds them, fit too.
    const qreal fits = std::floor(1000 * qMin(qreal(room.width()) / window_size.width(),
                                              qreal(room.height()) / window_size.height())) /
                       1000;
    return qMax(qreal(1), qMin(display_scale, fits));
}

// Lowers Qt's global factor, which multiplies the display's: the window still follows a change of
// the display's scale, as it would not with a factor of its own for the screen.
qreal fit_to_screen() {
    QScreen *screen = QGuiApplication::primaryScreen();
    if (scale_set_by_operator() || !screen || !screen->handle())
        return 1;
    const qreal scale = screen->devicePixelRatio();
    const qreal fitted =
        fitting_scale(screen->handle()->availableGeometry().size(), scale, window_frame(screen));
    if (fitted >= scale)
        return 1;
    QHighDpiScaling::setGlobalFactor(fitted / scale);
    return fitted / scale;
}

void place_on_screen(QWidget &window, qreal reduced_by) {
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = window_frame(screen) / screen->devicePixelRatio();
    const QSize outer = window.size().grownBy(frame);
    window.move(area.x() + qMax(0, (area.width() - outer.width()) / 2),
                area.y() + qMax(0, (area.height() - outer.height()) / 2));
    if (reduced_by >= 1)
        return;
    // The display's new scale as Qt gives it, the start's reduction dropped, never below 100 %.
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, &window, [&window] {
        QHighDpiScaling::setGlobalFactor(1);
        if (QWindow *handle = window.windowHandle())
            handle->resize(window.size());
    });
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
    window.setFixedSize(window_size);
}
