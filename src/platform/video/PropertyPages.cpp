#include "platform/video/PropertyPages.h"

#include "platform/trace/Trace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>

namespace {

QString ControlKey(const ControlInfo& info) {
    return QStringLiteral("%1/%2").arg(info.kind).arg(info.propertyId);
}

} // namespace

PropertyPagesDialog::PropertyPagesDialog(CameraControls& controls, const PropertyFrame& frame,
                                         QWidget* owner)
    : CameraPagesDialog(frame, PageText::PropertiesTitle, owner), m_controls(controls) {
    setObjectName(QStringLiteral("cameraProperties"));
    const QList<ControlInfo> infos = m_controls.Controls();
    for (const int kind : {kVideoProcAmp, kCameraControl}) {
        QList<ControlInfo> page;
        std::copy_if(infos.begin(), infos.end(), std::back_inserter(page),
                     [kind](const ControlInfo& info) { return info.kind == kind; });
        if (page.isEmpty() && !(kind == kVideoProcAmp && infos.isEmpty())) {
            continue;
        }
        QGridLayout* grid =
            AddPage(kind == kVideoProcAmp ? PageText::VideoProcAmp : PageText::CameraControl,
                    QStringLiteral("page/%1").arg(kind));
        if (page.isEmpty()) {
            grid->addWidget(new QLabel(Text(PageText::NoControls), this), 0, 0, 1, 4);
            grid->setRowStretch(1, 1);
            continue;
        }
        for (qsizetype i = 0; i < page.size(); ++i) {
            AddRow(grid, int(i), page[i]);
        }
        const int last = int(page.size());
        grid->setRowStretch(last, 1);
        auto* defaults = new QPushButton(Text(PageText::Default), this);
        defaults->setObjectName(QStringLiteral("default/%1").arg(kind));
        // Enter closes the dialog; it must never reset a page.
        defaults->setAutoDefault(false);
        connect(defaults, &QPushButton::clicked, this, [this, kind] { RestoreDefaults(kind); });
        grid->addWidget(defaults, last + 1, 1, 1, 3, Qt::AlignRight);
    }
    QPushButton* close = buttons()->addButton(Text(PageText::Close), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(buttons(), &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PropertyPagesDialog::AddRow(QGridLayout* grid, int gridRow, const ControlInfo& info) {
    const int index = int(m_rows.size());
    Row row;
    row.info = info;
    const QString label = ControlLabel(info, language());
    grid->addWidget(new QLabel(label, this), gridRow, 0);
    switch (info.type) {
    case ControlType::Integer: {
        row.slider = new QSlider(Qt::Horizontal, this);
        row.slider->setRange(info.minimum, info.maximum);
        row.slider->setSingleStep(std::max(1, info.step));
        row.slider->setPageStep(std::max(1, info.step) * 10);
        row.slider->setValue(info.value);
        row.slider->setMinimumWidth(200);
        row.spin = new QSpinBox(this);
        row.spin->setObjectName(ControlKey(info) + QStringLiteral("/value"));
        row.spin->setRange(info.minimum, info.maximum);
        row.spin->setSingleStep(std::max(1, info.step));
        row.spin->setValue(info.value);
        // A typed number goes to the camera once, when it is complete.
        row.spin->setKeyboardTracking(false);
        row.spin->setAccessibleName(label);
        connect(row.slider, &QSlider::valueChanged, this,
                [this, index](int v) { WriteValue(index, v); });
        connect(row.spin, &QSpinBox::valueChanged, this,
                [this, index](int v) { WriteValue(index, v); });
        grid->addWidget(row.slider, gridRow, 1);
        grid->addWidget(row.spin, gridRow, 2);
        row.editor = row.slider;
        break;
    }
    case ControlType::Boolean:
        row.box = new QCheckBox(this);
        row.box->setChecked(info.value != 0);
        connect(row.box, &QCheckBox::toggled, this,
                [this, index](bool on) { WriteValue(index, on ? 1 : 0); });
        grid->addWidget(row.box, gridRow, 1);
        row.editor = row.box;
        break;
    case ControlType::Menu:
        row.list = new QComboBox(this);
        for (const ControlMenuEntry& entry : info.menu) {
            row.list->addItem(entry.name, entry.index);
        }
        row.list->setCurrentIndex(row.list->findData(info.value));
        connect(row.list, &QComboBox::activated, this, [this, index](int item) {
            WriteValue(index, m_rows[index].list->itemData(item).toInt());
        });
        grid->addWidget(row.list, gridRow, 1);
        row.editor = row.list;
        break;
    }
    row.editor->setObjectName(ControlKey(info));
    row.editor->setAccessibleName(label);
    const bool editable = !info.readOnly && !(info.hasAuto && info.autoOn);
    row.editor->setEnabled(editable);
    if (row.spin) {
        row.spin->setEnabled(editable);
    }
    if (info.hasAuto) {
        auto* autoBox = new QCheckBox(Text(PageText::Auto), this);
        autoBox->setObjectName(ControlKey(info) + QStringLiteral("/auto"));
        autoBox->setChecked(info.autoOn);
        autoBox->setEnabled(!info.readOnly);
        const int kind = info.kind;
        const int id = info.propertyId;
        connect(autoBox, &QCheckBox::toggled, this, [this, index, kind, id](bool on) {
            if (!m_controls.SetAuto(kind, id, on)) {
                qCDebug(veldorTrace, "property %d/%d: automatic mode was not switched", kind, id);
                return;
            }
            // The camera sets the value itself while its automatic mode is on.
            Row& r = m_rows[index];
            r.editor->setEnabled(!on);
            if (r.spin) {
                r.spin->setEnabled(!on);
            }
        });
        grid->addWidget(autoBox, gridRow, 3);
    }
    m_rows.append(row);
}

void PropertyPagesDialog::WriteValue(int index, int value) {
    Row& row = m_rows[index];
    const int kind = row.info.kind;
    const int id = row.info.propertyId;
    if (!m_controls.SetValue(kind, id, value)) {
        qCDebug(veldorTrace, "property %d/%d: %d was not taken", kind, id, value);
    }
    int current = value;
    int flags = 0;
    if (!m_controls.Get(kind, id, &current, &flags)) {
        current = value;
    }
    // The camera may have fitted the value to its step.
    ShowValue(row, current);
}

void PropertyPagesDialog::ShowValue(Row& row, int value) {
    if (row.slider) {
        const QSignalBlocker block(row.slider);
        row.slider->setValue(value);
    }
    if (row.spin) {
        const QSignalBlocker block(row.spin);
        row.spin->setValue(value);
    }
    if (row.box) {
        const QSignalBlocker block(row.box);
        row.box->setChecked(value != 0);
    }
    if (row.list) {
        const QSignalBlocker block(row.list);
        row.list->setCurrentIndex(row.list->findData(value));
    }
}

void PropertyPagesDialog::RestoreDefaults(int kind) {
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        // Controls the camera sets itself, or that cannot be written, keep their values.
        if (row.info.kind == kind && row.editor->isEnabled()) {
            WriteValue(int(i), row.info.defaultValue);
        }
    }
}
