#include "widgets/Theme.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <QWidget>

QFont Theme::font(int pixelSize, QFont::Weight weight)
{
    static const QString family = [] {
        const QString inter = QStringLiteral("Inter");
        if (QFontDatabase::families().contains(inter))
            return inter;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    QFont font(family);
    // The type scale is in device-independent pixels, like every other length.
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void Theme::applyLightPalette(QWidget *window)
{
    QPalette palette = window->palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Window, Surface::window);
        palette.setColor(group, QPalette::Base, Surface::card);
        palette.setColor(group, QPalette::AlternateBase, Surface::sidebar);
        palette.setColor(group, QPalette::Button, Surface::card);
        palette.setColor(group, QPalette::Highlight, Accent::base);
        palette.setColor(group, QPalette::HighlightedText, Accent::onAccent);
        palette.setColor(group, QPalette::PlaceholderText, Ink::tertiary);
        palette.setColor(group, QPalette::ToolTipBase, Surface::card);
        palette.setColor(group, QPalette::ToolTipText, Ink::primary);
        const QColor text = group == QPalette::Disabled ? Ink::tertiary : Ink::primary;
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
    }
    window->setPalette(palette);
    window->setFont(font(TypeSize::body));
}

QString Theme::scrollBarStyleSheet()
{
    return QStringLiteral("QScrollBar:vertical { width: 10px; background: transparent; margin: 2px; }"
                          "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 32px; }"
                          "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                          "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
        .arg(Surface::cardBorder.darker(110).name());
}

QString Theme::menuButtonStyleSheet()
{
    return QStringLiteral("QToolButton { border: none; padding: 6px; border-radius: %1px; background: transparent; }"
                          "QToolButton:hover, QToolButton:pressed, QToolButton:focus { background: %2; }"
                          "QToolButton::menu-indicator { image: none; width: 0; }")
        .arg(Radius::control)
        .arg(Surface::window.name());
}

QLabel *Theme::label(const QString &text, int pixelSize, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *made = new QLabel(text, parent);
    made->setFont(font(pixelSize, weight));
    QPalette palette = made->palette();
    palette.setColor(QPalette::WindowText, ink);
    made->setPalette(palette);
    return made;
}
