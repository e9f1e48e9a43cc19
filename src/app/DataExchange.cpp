#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "platform/prompts/Prompts.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>

namespace {

// Writing selects the first entry starting with the text, letter case ignored.
void ExchangeComboText(QComboBox* combo, QString& member, bool save) {
    if (save) {
        member = combo->currentText();
        return;
    }
    if (member.isEmpty()) {
        return;
    }
    // Cameras of one model share a name: an entry already showing the text stays selected, so
    // the box keeps showing the camera that runs.
    if (combo->currentText().startsWith(member, Qt::CaseInsensitive)) {
        return;
    }
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(member, Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

} // namespace

void CKestrelDlg::DoDataExchange(bool save) {
    m_exchangeFailed = false;
    if (save) {
        const int checked = m_viewModeGroup->checkedId();
        if (checked < 1 || checked > 2) {
            m_prompts.MessageBox(QStringLiteral("Enter an integer between 1 and 2."));
            m_exchangeFailed = true;
            return;
        }
        m_viewMode = checked;
    } else if (QAbstractButton* radio = m_viewModeGroup->button(m_viewMode)) {
        radio->setChecked(true);
    }
    ExchangeCheck(GetDlgItem(IDC_LIVE), m_live, save);
    ExchangeCheck(GetDlgItem(IDC_TITLE_BAR), m_titleBar, save);
    ExchangeComboText(m_deviceCombo, m_cameraName, save);
    auto* resolution = static_cast<QLabel*>(GetDlgItem(IDC_RESOLUTION));
    if (save) {
        m_resolutionText = resolution->text();
    } else {
        resolution->setText(m_resolutionText);
    }
    ExchangeCheck(GetDlgItem(IDC_DONT_ASK), m_dontAsk, save);
    ExchangeCheck(GetDlgItem(IDC_KEEP_ASPECT), m_keepAspect, save);
    ExchangeCheck(GetDlgItem(IDC_SHOW_COMMENT), m_showComment, save);
}
