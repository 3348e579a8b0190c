#include "ui/frmain.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTranslator>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);

    QTranslator translator;
    translator.load(":/new/prefix1/qt_zh_CN.qm", QString(), QString(), QString());
    app.installTranslator(&translator);

    // The style sheet is read but not put in force: applied to the whole application it makes
    // the layout wider than the fixed 800 px window and clips the configuration buttons.
    QFile qss(":/new/prefix1/QSS.qss");
    qss.open(QIODevice::ReadOnly);
    const QByteArray qss_bytes = qss.readAll();
    const QString style_sheet = QString::fromLatin1(qss_bytes.constData());
    qss.close();
    Q_UNUSED(style_sheet);

    frmain window(nullptr);
    window.setWindowIcon(QIcon(":/icon/doc/1.png"));
    window.setWindowTitle("声速仪显示配置终端V1.1");
    window.setFixedSize(800, 650);
    window.show();
    return app.exec();
}
