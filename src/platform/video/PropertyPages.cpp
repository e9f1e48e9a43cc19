#include "platform/video/PropertyPages.h"

#include "platform/trace/Trace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString ControlKey(const ControlInfo& info) {
    return QStringLiteral("%1/%2").arg(info.kind).arg(info.propertyId);
}

} // namespace

PropertyPagesDialog::PropertyPagesDialog(CameraControls& controls, QWidget* owner)
    : QDialog(owner), m_controls(controls) {
    setObjectName(QStringLiteral("cameraProperties"));
    setWindowTitle(tr("Camera properties"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    const QList<ControlInfo> infos = m_controls.Controls();
    if (infos.isEmpty()) {
        grid->addWidget(new QLabel(tr("The camera offers no picture controls."), this), 0, 0);
    }
    for (qsizetype i = 0; i < infos.size(); ++i) {
        AddRow(grid, int(i), infos[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    move(owner ? owner->mapToGlobal(QPoint(30, 30)) : QPoint(30, 30));
}

void PropertyPagesDialog::AddRow(QGridLayout* grid, int row, const ControlInfo& info) {
    const int kind = info.kind;
    const int id = info.propertyId;
    grid->addWidget(new QLabel(info.name, this), row, 0);
    QWidget* editor = nullptr;
    switch (info.type) {
    case ControlType::Integer: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(info.minimum, info.maximum);
        slider->setSingleStep(std::max(1, info.step));
        slider->setPageStep(std::max(1, info.step) * 10);
        slider->setValue(info.value);
        slider->setMinimumWidth(200);
        auto* value = new QLabel(QString::number(info.value), this);
        value->setObjectName(ControlKey(info) + QStringLiteral("/value"));
        value->setMinimumWidth(50);
        connect(slider, &QSlider::valueChanged, this, [this, kind, id, slider, value](int v) {
            if (!m_controls.SetValue(kind, id, v)) {
                qCDebug(veldorTrace, "property %d/%d: %d was not taken", kind, id, v);
            }
            int current = v;
            int flags = 0;
            if (m_controls.Get(kind, id, &current, &flags) && current != v) {
                // The camera fitted the value to its step.
                const QSignalBlocker block(slider);
                slider->setValue(current);
            }
            value->setText(QString::number(current));
        });
        grid->addWidget(slider, row, 1);
        grid->addWidget(value, row, 2);
        editor = slider;
        break;
    }
    case ControlType::Boolean: {
        auto* box = new QCheckBox(this);
        box->setChecked(info.value != 0);
        connect(box, &QCheckBox::toggled, this, [this, kind, id](bool on) {
            if (!m_controls.SetValue(kind, id, on ? 1 : 0)) {
                qCDebug(veldorTrace, "property %d/%d: switch was not taken", kind, id);
            }
        });
        grid->addWidget(box, row, 1);
        editor = box;
        break;
    }
    case ControlType::Menu: {
        auto* list = new QComboBox(this);
        for (const ControlMenuEntry& entry : info.menu) {
            list->addItem(entry.name, entry.index);
        }
        list->setCurrentIndex(list->findData(info.value));
        connect(list, &QComboBox::activated, this, [this, kind, id, list](int index) {
            const int value = list->itemData(index).toInt();
            if (!m_controls.SetValue(kind, id, value)) {
                qCDebug(veldorTrace, "property %d/%d: item %d was not taken", kind, id, value);
            }
        });
        grid->addWidget(list, row, 1);
        editor = list;
        break;
    }
    }
    editor->setObjectName(ControlKey(info));
    editor->setAccessibleName(info.name);
    editor->setEnabled(!info.readOnly && !(info.hasAuto && info.autoOn));
    if (info.hasAuto) {
        auto* autoBox = new QCheckBox(tr("Auto"), this);
        autoBox->setObjectName(ControlKey(info) + QStringLiteral("/auto"));
        autoBox->setChecked(info.autoOn);
        autoBox->setEnabled(!info.readOnly);
        connect(autoBox, &QCheckBox::toggled, this, [this, kind, id, editor](bool on) {
            if (!m_controls.SetAuto(kind, id, on)) {
                qCDebug(veldorTrace, "property %d/%d: automatic mode was not switched", kind, id);
                return;
            }
            // The camera sets the value itself while its automatic mode is on.
            editor->setEnabled(!on);
        });
        grid->addWidget(autoBox, row, 3);
    }
}
