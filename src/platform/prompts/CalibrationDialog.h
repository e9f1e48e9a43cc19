#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLineEdit;

// What the user gives for a line drawn between two marks: their distance in a unit, and the
// calibration's name.
struct CalibrationInput {
    double length = 0;
    bool millimetres = false; // else micrometres
    QString name;

    double Micrometres() const { return millimetres ? length * 1000 : length; }
};

// The calibration dialog's texts, in the interface language.
struct CalibrationTexts {
    QString title;
    QString prompt; // above the fields: what was drawn and what to type
    QString distance;
    QString name;
};

// Asks for the distance between the two marks, its unit (µm or mm) and a name. OK is offered
// only for a distance above 0 and a name the settings file can hold (blanks at either end are
// dropped). UI thread.
class CalibrationDialog : public QDialog {
    Q_OBJECT

public:
    CalibrationDialog(const CalibrationTexts& texts, const QString& name, QWidget* owner);

    CalibrationInput Input() const;

private:
    void UpdateOk();

    QDoubleSpinBox* m_length;
    QComboBox* m_unit;
    QLineEdit* m_name;
    QDialogButtonBox* m_buttons;
};
