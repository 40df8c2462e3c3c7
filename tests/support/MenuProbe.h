#pragma once

#include <QAction>
#include <QMenu>
#include <QStringList>

// Reading built menus in tests: titles with "-" for separators, and items found by title.
namespace MenuProbe {

inline QStringList titles(const QMenu *menu)
{
    QStringList out;
    if (!menu)
        return out;
    for (const QAction *action : menu->actions())
        out.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

inline QAction *item(const QMenu *menu, const QString &title)
{
    if (!menu)
        return nullptr;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->text() == title)
            return action;
    }
    return nullptr;
}

inline QMenu *submenu(const QMenu *menu, const QString &title)
{
    QAction *action = item(menu, title);
    return action ? action->menu() : nullptr;
}

// Titles of the checked items.
inline QStringList checked(const QMenu *menu)
{
    QStringList out;
    if (!menu)
        return out;
    for (const QAction *action : menu->actions()) {
        if (action->isCheckable() && action->isChecked())
            out.append(action->text());
    }
    return out;
}

}
