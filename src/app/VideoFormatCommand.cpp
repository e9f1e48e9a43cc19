#include "app/CKestrelDlg.h"

#include "capture/VideoFormats.h"

void CKestrelDlg::OnVideoFormat() {
    if (RefuseWithoutCamera()) {
        return;
    }
    // The camera button is not polled while the graph is down for the format page: a picture
    // asked for then would find no frame.
    const bool polling = m_buttonPoll.IsActive();
    m_buttonPoll.Stop();
    int w = m_formatWidth;
    int h = m_formatHeight;
    // Without a rebuilt graph nothing is delivered: the text and the stored size stay.
    if (OpenVideoFormatDlg(this, m_language, &w, &h) == 1) {
        m_resolutionText = QStringLiteral("%1 x %2").arg(w).arg(h);
        UpdateData(false);
        m_formatWidth = w;
        m_formatHeight = h;
        saveVideoProperty();
    }
    if (polling) {
        m_buttonPressed = 0;
        PollButtonHere();
    }
}
