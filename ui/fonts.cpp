#include "ui/fonts.h"

#include <QStringList>

namespace {
const QStringList chinese_families = {"Microsoft YaHei", "SimSun"};
}

QFont window_font(const QString &family, int points, bool windows) {
    QFont font(family, points, 75);
    if (!windows)
        return font;
    const bool serif = family == QLatin1String("Times");
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    font.setFamilies(QStringList{family, serif ? "Times New Roman" : "Arial"} + chinese_families);
    return font;
}

QFont with_chinese_fallbacks(const QFont &font, bool windows) {
    if (!windows)
        return font;
    QFont with = font;
    with.setFamilies(QStringList{font.family()} + chinese_families);
    return with;
}
