#include "app/startup.h"
#include "ui/frmain.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTranslator>

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

void dress_window(frmain &window) {
    window.setWindowIcon(QIcon(":/icon/doc/1.png"));
    window.setWindowTitle("声速仪显示配置终端V1.1");
    window.setFixedSize(800, 650);
}
