#include "platform/prompts/CalibrationDialog.h"

#include "platform/paths/Paths.h"
#include "platform/profile/Profile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CalibrationDialog::CalibrationDialog(const CalibrationTexts& texts, const QString& name,
                                     QWidget* owner)
    : QDialog(owner), m_length(new QDoubleSpinBox(this)), m_unit(new QComboBox(this)),
      m_name(new QLineEdit(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(texts.title.isEmpty() ? ApplicationName() : texts.title);
    m_length->setObjectName(QStringLiteral("length"));
    m_unit->setObjectName(QStringLiteral("unit"));
    m_name->setObjectName(QStringLiteral("name"));
    // A stage micrometer's divisions are 10 µm, a ruler's 1 mm; lengths down to 0.1 µm.
    m_length->setDecimals(3);
    m_length->setRange(0, 1e6);
    m_length->setValue(1);
    m_unit->addItem(QStringLiteral("µm"));
    m_unit->addItem(QStringLiteral("mm"));
    m_unit->setCurrentIndex(1);
    m_name->setText(name);

    auto* distance = new QHBoxLayout;
    distance->addWidget(m_length, 1);
    distance->addWidget(m_unit);
    auto* form = new QFormLayout;
    form->addRow(texts.distance, distance);
    form->addRow(texts.name, m_name);
    auto* prompt = new QLabel(texts.prompt, this);
    prompt->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_length, &QDoubleSpinBox::valueChanged, this, &CalibrationDialog::UpdateOk);
    connect(m_name, &QLineEdit::textChanged, this, &CalibrationDialog::UpdateOk);
    m_length->selectAll();
    m_length->setFocus();
    UpdateOk();
}

CalibrationInput CalibrationDialog::Input() const {
    return {m_length->value(), m_unit->currentIndex() == 1, m_name->text().trimmed()};
}

void CalibrationDialog::UpdateOk() {
    const CalibrationInput input = Input();
    m_buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(input.length > 0 && !input.name.isEmpty() && ProfileCanHold(input.name));
}
