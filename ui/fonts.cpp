#include "ui/fonts.h"

#include <QStringList>

namespace {
const QStringList chinese_families = {"Microsoft YaHei", "SimSun"};
} // namespace

QFont window_font(const QString &family, int points, bool windows) {
    QFont font(family, points, 75);
    if (!windows)
        return font;
    const bool serif = family == QLatin1String("Times");
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    // Under Wine the fonts are the host's, without Windows' families: DejaVu stands in, and has
    // "℃". Otherwise Qt takes it from the first font that has it, there a math font whose line
    // is four times the unit's size, and the temperature row grows by that much.
    font.setFamilies(QStringList{family, serif ? "Times New Roman" : "Arial",
                                 serif ? "DejaVu Serif" : "DejaVu Sans"} +
                     chinese_families);
    return font;
}

QFont with_chinese_fallbacks(const QFont &font, bool windows) {
    if (!windows)
        return font;
    QFont with = font;
    with.setFamilies(QStringList{font.family()} + chinese_families);
    return with;
}
