#ifndef FONTS_H
#define FONTS_H

#include <QFont>

#ifdef Q_OS_WIN
constexpr bool fonts_for_windows = true;
#else
constexpr bool fonts_for_windows = false;
#endif

// A bold font of a family the window names ("Times", "Helvetica", "SansSerif") at a point size.
// None of them is a Windows family, and Windows would draw all three in its dialog font: there a
// style hint and the families after it choose Times New Roman or Arial, and Chinese text comes
// from Microsoft YaHei (which has a true bold) where installed, SimSun otherwise; so does "℃",
// which Windows' Latin fonts lack. Elsewhere
// fontconfig knows the names.
QFont window_font(const QString &family, int points, bool windows = fonts_for_windows);

// A font with the same Chinese fallbacks on Windows, for what the window shows in its default
// font; unchanged elsewhere.
QFont with_chinese_fallbacks(const QFont &font, bool windows = fonts_for_windows);

#endif
