#include "Palette.h"

#include <cmath>

namespace Palette {

namespace {

double channel(double value)
{
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF())
           + 0.0722 * channel(rgb.blueF());
}

QPalette darkPalette()
{
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(230, 230, 230);
    const QColor disabledText(165, 165, 165);
    const QColor highlight(38, 110, 190);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(58, 58, 62));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(255, 110, 110));
    palette.setColor(QPalette::Light, QColor(80, 80, 86));
    palette.setColor(QPalette::Midlight, QColor(62, 62, 66));
    palette.setColor(QPalette::Mid, QColor(40, 40, 42));
    palette.setColor(QPalette::Dark, QColor(22, 22, 24));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(120, 180, 255));
    palette.setColor(QPalette::LinkVisited, QColor(190, 150, 255));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 76));
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, QColor(200, 200, 200));
    return palette;
}

// Black and white, and a highlight that stands out on both.
QPalette highContrastPalette(bool dark)
{
    const QColor back = dark ? Qt::black : Qt::white;
    const QColor fore = dark ? Qt::white : Qt::black;
    const QColor highlight = dark ? QColor(255, 255, 0) : QColor(0, 0, 160);
    const QColor highlighted = dark ? Qt::black : Qt::white;
    const QColor disabled = dark ? QColor(170, 170, 170) : QColor(90, 90, 90);
    QPalette palette(fore, back);
    for (const auto role : {QPalette::Base, QPalette::Window, QPalette::Button,
                            QPalette::AlternateBase, QPalette::ToolTipBase})
        palette.setColor(role, back);
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText,
                            QPalette::ToolTipText, QPalette::BrightText})
        palette.setColor(role, fore);
    for (const auto role : {QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark,
                            QPalette::Shadow})
        palette.setColor(role, fore);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, highlighted);
    palette.setColor(QPalette::Link, dark ? QColor(0, 255, 255) : QColor(0, 0, 200));
    palette.setColor(QPalette::LinkVisited, dark ? QColor(255, 160, 255) : QColor(110, 0, 140));
    palette.setColor(QPalette::PlaceholderText, disabled);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, disabled);
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, back);
    return palette;
}

} // namespace

Look lookOf(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    Look look;
    look.dark = window.lightness() < text.lightness();
    // Only black on white, or white on black, is as far apart as that.
    look.highContrast = contrastRatio(window, text) > 20.5;
    return look;
}

QPalette windowPalette(Look look, const QPalette& light)
{
    if (look.highContrast)
        return highContrastPalette(look.dark);
    return look.dark ? darkPalette() : light;
}

PageColours pageColours(Look look)
{
    if (look.highContrast) {
        const QColor back = look.dark ? Qt::black : Qt::white;
        const QColor fore = look.dark ? Qt::white : Qt::black;
        return {back, fore, look.dark ? QColor(255, 255, 0) : QColor(0, 0, 160), fore, back, fore};
    }
    if (look.dark)
        return {QColor(30, 30, 32),   QColor(225, 225, 228), QColor(255, 140, 130),
                QColor(170, 170, 180), QColor(50, 52, 64),   QColor(130, 130, 150)};
    return {QColor(0xfb, 0xfb, 0xf7), QColor(0x22, 0x22, 0x33), QColor(0x8a, 0x20, 0x20),
            QColor(0x66, 0x66, 0x77), QColor(0xee, 0xee, 0xff), QColor(0x88, 0x88, 0x99)};
}

QString pageStyle(Look look)
{
    const PageColours colours = pageColours(look);
    return QStringLiteral("body { color: %1; background: %2; }\n"
                          "h1 { color: %3; }\n"
                          ".address { color: %4; }\n"
                          "a.again { color: %1; background: %5; border-color: %6; }\n")
        .arg(colours.text.name(), colours.background.name(), colours.heading.name(),
             colours.muted.name(), colours.buttonBackground.name(), colours.buttonBorder.name());
}

QColor alertText(Look look)
{
    if (look.highContrast)
        return look.dark ? QColor(255, 255, 0) : QColor(160, 0, 0);
    return look.dark ? QColor(255, 130, 120) : QColor(176, 0, 0);
}

Ink ink(Look look)
{
    if (look.highContrast)
        return look.dark ? Ink{Qt::white, QColor(255, 255, 0), Qt::black, QColor(0, 255, 255)}
                         : Ink{Qt::black, QColor(200, 0, 0), Qt::white, QColor(0, 0, 160)};
    if (look.dark)
        return {QColor(200, 215, 240), QColor(255, 120, 105), QColor(60, 62, 70),
                QColor(110, 165, 235)};
    return {QColor(40, 70, 120), QColor(200, 60, 50), QColor(250, 250, 245), QColor(70, 130, 200)};
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

} // namespace Palette
