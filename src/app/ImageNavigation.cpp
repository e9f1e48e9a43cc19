#include "app/CKestrelDlg.h"

#include "library/ImageList.h"

void CKestrelDlg::ResetImageList() {
    m_topIndex = 0;
    m_selSlot = -1;
    m_imageNames = ReloadImageList(m_saveFolder);
}
