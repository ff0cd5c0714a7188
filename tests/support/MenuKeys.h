#pragma once

// Access keys of menus, for the tests of both desktop programs: within one menu, and among
// the menus of one menu bar, no two entries may share a key.

#include <QAction>
#include <QMenu>
#include <QStringList>

#include <map>

namespace menukeys {

// The access key of a menu text: the character after a single '&', in lower case; a null
// character when there is none ("&&" is a plain ampersand).
inline QChar AccessKey(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return {};
}

// Each key that two or more of the visible entries share: "where: 'p' Paste, Print".
inline QStringList KeyClashes(const QString& where, const QList<QAction*>& actions)
{
    std::map<QChar, QStringList> holders;
    for (const QAction* action : actions) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        const QChar key = AccessKey(action->text());
        if (!key.isNull())
            holders[key] << action->text();
    }
    QStringList clashes;
    for (const auto& [key, texts] : holders)
        if (texts.size() > 1)
            clashes << QStringLiteral("%1: '%2' %3").arg(where, QString(key), texts.join(QStringLiteral(", ")));
    return clashes;
}

// The clashes of a menu and of every submenu in it.
inline QStringList MenuKeyClashes(const QMenu& menu)
{
    QStringList clashes = KeyClashes(menu.title(), menu.actions());
    for (const QAction* action : menu.actions())
        if (action->menu())
            clashes += MenuKeyClashes(*action->menu());
    return clashes;
}

}  // namespace menukeys
