#include "platform/prompts/PopupMenu.h"

#include <QAction>
#include <QMenu>

std::optional<int> ShowPopupMenu(const QList<MenuItem>& items, QPoint globalPos) {
    QMenu menu;
    menu.setObjectName(QStringLiteral("popupMenu"));
    QList<QAction*> actions;
    for (const MenuItem& item : items) {
        QAction* action = item.separator ? menu.addSeparator() : menu.addAction(item.text);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
        actions.append(action);
    }
    QAction* chosen = menu.exec(globalPos);
    const qsizetype index = chosen ? actions.indexOf(chosen) : -1;
    if (index < 0) {
        return std::nullopt;
    }
    return int(index);
}
