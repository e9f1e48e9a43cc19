#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <optional>

// One entry of a pop-up menu: a command, a check mark to switch, or a separator.
struct MenuItem {
    QString text;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
    bool separator = false;
};

// Shows the items as a pop-up menu at the screen position; the index of the one chosen, or
// nothing when the menu is closed without a choice. UI thread.
std::optional<int> ShowPopupMenu(const QList<MenuItem>& items, QPoint globalPos);
