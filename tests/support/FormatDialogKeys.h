#pragma once

#include "platform/video/FormatPages.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

// Presses keys in the modal format dialog, as the user would, once it is up with its list
// holding the focus. Records what the dialog showed at that moment.
class FormatDialogKeys {
public:
    explicit FormatDialogKeys(QList<Qt::Key> keys) : m_keys(std::move(keys)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }

    bool listFocused = false;
    int currentRowAtStart = -1;
    QString title;
    QPoint position;
    QStringList rows; // "format|size|rates"

private:
    void Poll() {
        auto* dialog = qobject_cast<FormatPagesDialog*>(QApplication::activeModalWidget());
        auto* list = dialog ? dialog->findChild<QTreeWidget*>(QStringLiteral("formats")) : nullptr;
        if (!list || QApplication::focusWidget() != list) {
            return;
        }
        m_timer.stop();
        listFocused = true;
        currentRowAtStart = list->indexOfTopLevelItem(list->currentItem());
        title = dialog->windowTitle();
        position = dialog->pos();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            rows.append(item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') +
                        item->text(2));
        }
        for (const Qt::Key key : m_keys) {
            QTest::keyClick(list, key);
        }
    }

    QList<Qt::Key> m_keys;
    QTimer m_timer;
};
