// The resource bundle and start-up: catalogue, style sheet, pictures, and the Windows resources.
#include "app/startup.h"
#include "support/style_noise.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QResource>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QtEndian>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
QByteArray resource_bytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList warnings;
QtMessageHandler previous_handler = nullptr;
void collect_warnings(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type == QtWarningMsg)
        warnings << text;
    else
        previous_handler(type, context, text);
}

QByteArray utf16(const char *text) {
    const QString s = QString::fromLatin1(text);
    QByteArray out;
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out.append("\0\0", 2);
}

// A value of a version block's string table, read from the compiled bytes: the key is preceded
// by its length, value length (in characters) and type, and followed by padding and the value.
QString version_string(const QByteArray &res, const char *key, bool *found) {
    const QByteArray k = utf16(key);
    const int at = res.indexOf(k);
    *found = at >= 6;
    if (!*found)
        return QString();
    const int value_chars = qFromLittleEndian<quint16>(res.constData() + at - 4);
    if (value_chars == 0)
        return QString();
    int v = at + k.size();
    while (v % 4 != (at - 6) % 4)
        ++v;
    QString value;
    for (int i = 0; i + 1 < value_chars; ++i)
        value += QChar(qFromLittleEndian<quint16>(res.constData() + v + 2 * i));
    return value;
}

#ifdef Q_OS_WIN
// A resource compiled into this program from app/myico.rc, as it is into the terminal.
QByteArray own_resource(const wchar_t *name, const wchar_t *type) {
    HRSRC found = FindResourceW(nullptr, name, type);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    if (!loaded)
        return QByteArray();
    return QByteArray(static_cast<const char *>(LockResource(loaded)),
                      int(SizeofResource(nullptr, found)));
}
#endif
} // namespace

class test_resources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drop_known_style_noise(); }
    void tree_data();
    void tree();
    void catalogue_loads();
    void style_sheet_text();
    void style_sheet_parses();
    void window_picture();
    void icon_file();
    void start_up_in_chinese_with_icon();
    void windows_resources();
};

void test_resources::tree_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("compressed");
    QTest::newRow("script") << ":/icon/myico.rc" << false;
    QTest::newRow("icon") << ":/icon/doc/myico.ico" << true;
    QTest::newRow("picture") << ":/icon/doc/1.png" << false;
    QTest::newRow("catalogue") << ":/new/prefix1/qt_zh_CN.qm" << false;
    QTest::newRow("style sheet") << ":/new/prefix1/QSS.qss" << true;
}

void test_resources::tree() {
    QFETCH(QString, path);
    QFETCH(bool, compressed);
    QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm() == QResource::ZlibCompression, compressed);
    if (!compressed)
        QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
    QVERIFY(resource.uncompressedSize() > 0);

    const QStringList top = QDir(":/").entryList();
    QVERIFY(top.contains("icon") && top.contains("new"));
    QCOMPARE(QDir(":/icon").entryList(), (QStringList{"doc", "myico.rc"}));
    QCOMPARE(QDir(":/icon/doc").entryList(), (QStringList{"1.png", "myico.ico"}));
    QCOMPARE(QDir(":/new/prefix1").entryList(), (QStringList{"QSS.qss", "qt_zh_CN.qm"}));
}

void test_resources::catalogue_loads() {
    QTranslator translator;
    QVERIFY(translator.load(":/new/prefix1/qt_zh_CN.qm", QString(), QString(), QString()));
    QVERIFY(!translator.isEmpty());
    QCOMPARE(translator.translate("QFileDialog", "Save As"), QString("另存为"));
    QCOMPARE(resource_bytes(":/new/prefix1/qt_zh_CN.qm").left(16),
             QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd"));
}

void test_resources::style_sheet_text() {
    const QByteArray bytes = resource_bytes(":/new/prefix1/QSS.qss");
    QCOMPARE(bytes, resource_bytes(ORVANE_APP_DIR "/QSS.qss"));
    for (char c : bytes)
        QVERIFY(uchar(c) < 0x80 && c != '\0');
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(read_style_sheet(), QString::fromLatin1(bytes));

    const QString text = read_style_sheet();
    QStringList selectors;
    const QStringList lines = text.split("\r\n");
    for (int i = 0; i + 1 < lines.size(); ++i)
        if (lines[i + 1] == "{")
            selectors << lines[i];
    const QStringList expected = {"QComboBox",
                                  "QComboBox:on",
                                  "QComboBox::drop-down :on",
                                  "QComboBox::drop-down",
                                  "QComboBox QAbstractItemView",
                                  "QComboBox QAbstractItemView::item",
                                  "QComboBox QAbstractItemView::item:selected",
                                  "QComboBox QAbstractItemView::item:hover",
                                  "QComboBox:disabled",
                                  "QLabel",
                                  "QGroupBox",
                                  "QGroupBox::title",
                                  "QWidget#mainwindow",
                                  "QPushButton",
                                  "QPushButton:disabled",
                                  "QPushButton:hover",
                                  "QPushButton:checked",
                                  "QPushButton:flat",
                                  "QDialog",
                                  "QDialog QFrame",
                                  "QLineEdit#output_lineedit",
                                  "QLineEdit#output_lineedit:disabled",
                                  "QLineEdit#outrate_lineedit",
                                  "QLineEdit#avg_lineedit"};
    QCOMPARE(selectors, expected);
    const QString panel = "qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, stop:0 rgba(148, "
                          "170, 214, 255), stop:0.5 rgba(148, 170, 214, 255), stop:1 rgba(148, "
                          "170, 214, 255))";
    const QString border = "qlineargradient(spread:pad, x1:-1, y1:0, x2:1 y2:0, stop:0 rgba(0, "
                           "211, 197, 255), stop:1 rgba(0, 82, 112, 255))";
    const QString hover =
        "qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, stop:0 rgba(0, 82, "
        "112, 255), stop:0.5 rgba(0, 211, 197, 255), stop:1 rgba(0, 82, 112, 255))";
    QCOMPARE(text.count(panel), 3);
    QCOMPARE(text.count(border), 1);
    QCOMPARE(text.count(hover), 1);
    QVERIFY(text.contains("min-width: 10em;"));
    QVERIFY(!text.contains("staus_show"));
}

void test_resources::style_sheet_parses() {
    QWidget scratch;
    warnings.clear();
    previous_handler = qInstallMessageHandler(collect_warnings);
    scratch.setStyleSheet(read_style_sheet());
    scratch.ensurePolished();
    scratch.show();
    QCoreApplication::processEvents();
    qInstallMessageHandler(previous_handler);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join("\n")));
}

void test_resources::window_picture() {
    const QByteArray png = resource_bytes(":/icon/doc/1.png");
    QCOMPARE(png.left(8), QByteArray("\x89PNG\r\n\x1a\n"));
    QCOMPARE(png.mid(24, 5), QByteArray("\x08\x06\x00\x00\x00", 5)); // 8-bit RGBA, not interlaced
    QImage image;
    QVERIFY(image.loadFromData(png, "PNG"));
    QCOMPARE(image.size(), QSize(1920, 2560));
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(960, 1200)), 255);
}

void test_resources::icon_file() {
    const QByteArray ico = resource_bytes(":/icon/doc/myico.ico");
    QCOMPARE(ico.size(), 51262);
    QCOMPARE(ico, resource_bytes(ORVANE_APP_DIR "/myico.ico"));
    const char *d = ico.constData();
    QCOMPARE(qFromLittleEndian<quint16>(d + 2), quint16(1)); // an icon
    QCOMPARE(qFromLittleEndian<quint16>(d + 4), quint16(1)); // one image
    QCOMPARE(uchar(d[6]), uchar(128));
    QCOMPARE(uchar(d[7]), uchar(128));
    QCOMPARE(qFromLittleEndian<quint16>(d + 12), quint16(24));
    QCOMPARE(qFromLittleEndian<quint32>(d + 14), quint32(51240));
    QCOMPARE(qFromLittleEndian<quint32>(d + 18), quint32(22));
    QCOMPARE(qFromLittleEndian<quint32>(d + 22), quint32(40)); // bitmap header size
    QCOMPARE(qFromLittleEndian<qint32>(d + 26), qint32(128));  // width
    QCOMPARE(qFromLittleEndian<qint32>(d + 30), qint32(256));  // height: image and mask
    QCOMPARE(qFromLittleEndian<quint16>(d + 36), quint16(24)); // bits per pixel
    QCOMPARE(qFromLittleEndian<quint32>(d + 38), quint32(0));  // uncompressed
}

void test_resources::start_up_in_chinese_with_icon() {
    QTranslator translator;
    install_catalogue(*qApp, translator);
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"), QString("另存为"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QString("确定"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), QString("文件名称(&N)："));

    frmain window(nullptr);
    dress_window(window);
    QVERIFY(!window.windowIcon().isNull());
    // Small enough for an X server's icon property, and drawn from the picture.
    for (const QSize &size : window.windowIcon().availableSizes())
        QVERIFY(size.width() <= 256 && size.height() <= 256);
    QVERIFY(window.windowIcon().availableSizes().contains(QSize(24, 32)));
    QVERIFY(QApplication::windowIcon().isNull());
    QCOMPARE(window.windowTitle(), QString("声速仪显示配置终端V1.1"));
    QCOMPARE(window.minimumSize(), QSize(800, 650));
    QCOMPARE(window.maximumSize(), QSize(800, 650));
    qApp->removeTranslator(&translator);
}

void test_resources::windows_resources() {
#ifdef Q_OS_WIN
    const wchar_t *group_type = MAKEINTRESOURCEW(14), *icon_type = MAKEINTRESOURCEW(3),
                  *version_type = MAKEINTRESOURCEW(16);
    // One icon image in the group, the 128 x 128 one of the icon file, byte for byte.
    const QByteArray group = own_resource(L"IDI_ICONI", group_type);
    QCOMPARE(group.size(), 6 + 14);
    QCOMPARE(qFromLittleEndian<quint16>(group.constData() + 4), quint16(1));
    QCOMPARE(uchar(group[6]), uchar(128));
    const quint16 image_id = qFromLittleEndian<quint16>(group.constData() + 6 + 12);
    QCOMPARE(own_resource(MAKEINTRESOURCEW(image_id), icon_type),
             resource_bytes(ORVANE_APP_DIR "/myico.ico").mid(22));
    const QByteArray bytes = own_resource(MAKEINTRESOURCEW(1), version_type);
#else
    const QString windres = QStandardPaths::findExecutable("x86_64-w64-mingw32-windres");
    QVERIFY2(!windres.isEmpty(), "x86_64-w64-mingw32-windres is not installed");
    QTemporaryDir out;
    const QString res = out.filePath("myico.res");
    QProcess compile;
    compile.setWorkingDirectory(ORVANE_APP_DIR);
    compile.start(windres, {"-O", "res", "-i", "myico.rc", "-o", res});
    QVERIFY(compile.waitForFinished(60000));
    QVERIFY2(compile.exitCode() == 0, compile.readAllStandardError().constData());
    QFile file(res);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    // The icon image is in it whole.
    QVERIFY(bytes.contains(resource_bytes(ORVANE_APP_DIR "/myico.ico").mid(22)));
    QVERIFY(bytes.contains(utf16("IDI_ICONI").chopped(2)));
#endif

    const int fixed = bytes.indexOf(QByteArray::fromHex("bd04effe"));
    QVERIFY(fixed > 0);
    const char *f = bytes.constData() + fixed;
    auto dword = [f](int i) { return qFromLittleEndian<quint32>(f + 4 * i); };
    QCOMPARE(dword(2), 0x00010001u); // file version 1.1
    QCOMPARE(dword(3), 0x00000000u); //              .0.0
    QCOMPARE(dword(4), 0x00010001u); // product version
    QCOMPARE(dword(5), 0x00000000u);
    QCOMPARE(dword(6), 0x3fu); // flags mask
    QCOMPARE(dword(7), 0u);    // flags: a release build
    QCOMPARE(dword(8), 4u);    // VOS__WINDOWS32
    QCOMPARE(dword(9), 1u);    // VFT_APP
    QCOMPARE(dword(10), 0u);

    QVERIFY(bytes.contains(utf16("080404b0")));
    const QList<QPair<const char *, QString>> strings = {
        {"FileVersion", "1.1"},         {"ProductVersion", "1.1"},
        {"InternalName", "Orvane.exe"}, {"OriginalFilename", "Orvane.exe"},
        {"ProductName", "Orvane"},      {"FileDescription", ""},
    };
    for (const auto &s : strings) {
        bool found = false;
        QCOMPARE(version_string(bytes, s.first, &found), s.second);
        QVERIFY2(found, s.first);
    }
    bool found = false;
    QVERIFY(!version_string(bytes, "CompanyName", &found).isEmpty() && found);
    QVERIFY(!version_string(bytes, "LegalCopyright", &found).isEmpty() && found);
    const int translation = bytes.indexOf(utf16("Translation"));
    QVERIFY(translation > 0);
    QVERIFY(bytes.indexOf(QByteArray::fromHex("0408b004"), translation) > translation);

#ifndef Q_OS_WIN
    // A debug build sets the debug flag.
    QProcess debug;
    debug.setWorkingDirectory(ORVANE_APP_DIR);
    debug.start(windres, {"-D_DEBUG", "-O", "res", "-i", "myico.rc", "-o", res + ".debug"});
    QVERIFY(debug.waitForFinished(60000) && debug.exitCode() == 0);
    QFile debug_file(res + ".debug");
    QVERIFY(debug_file.open(QIODevice::ReadOnly));
    const QByteArray debug_bytes = debug_file.readAll();
    const int debug_fixed = debug_bytes.indexOf(QByteArray::fromHex("bd04effe"));
    QCOMPARE(qFromLittleEndian<quint32>(debug_bytes.constData() + debug_fixed + 28), 1u);
#endif
}

QTEST_MAIN(test_resources)
#include "test_resources.moc"
