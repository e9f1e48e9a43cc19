#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "library/ImageList.h"
#include "platform/prompts/FolderChoice.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QFile>
#include <QFileInfo>

void CKestrelDlg::ResetImageList() {
    m_strip.Reset(m_saveFolder);
    m_pictures.Clear();
}

void CKestrelDlg::OnPrevImage() {
    m_strip.StepBack();
    SelectionChanged();
}

void CKestrelDlg::OnNextImage() {
    m_strip.StepOn();
    SelectionChanged();
}

void CKestrelDlg::OnSaveFolder() {
    const std::optional<QString> folder =
        ChooseStoredFolder(m_prompts, Text("savefolder.title"), m_saveFolder, m_language);
    if (!folder) {
        return;
    }
    m_saveFolder = *folder;
    SaveIniFile();
    ResetImageList();
    if (m_viewState == 2) {
        ReturnToLive();
    }
    m_live = 1;
    UpdateData(false);
    ApplyViewState();
    GetDlgItem(IDC_CAPTURE)->setEnabled(m_live != 0);
}

void CKestrelDlg::OnDeleteImage() {
    const QString question = Text("delete.question");
    UpdateData(true);
    if (m_dontAsk != 1 && !m_prompts.Question(question)) {
        return;
    }
    const QString name = m_strip.SelectedName();
    if (name.isEmpty()) {
        return;
    }
    const QString path = m_saveFolder + QLatin1Char('/') + name;
    const QString commentPath = MakeCommentPath(m_saveFolder, name);
    // The companions go only with the picture: a picture that stays keeps its comment.
    if (!QFile::remove(path) && QFileInfo::exists(path)) {
        qCDebug(veldorTrace, "picture not deleted: %s", qUtf8Printable(path));
        m_prompts.MessageBox(Text("delete.failed"));
    } else {
        QFile::remove(commentPath);
        QFile::remove(ReplaceLastThree(commentPath, "ini"));
    }
    m_strip.Reload(m_saveFolder);
    m_pictures.Clear();
    ApplyViewState();
}
