#include "platform/dialog/Dialog.h"

#include <QAbstractButton>

void Dialog::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

void ExchangeCheck(QWidget* checkBox, int& member, bool save) {
    auto* box = static_cast<QAbstractButton*>(checkBox);
    if (save) {
        member = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(member != 0);
    }
}
