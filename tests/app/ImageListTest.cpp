#include "library/ImageList.h"
#include "app/ControlIds.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QFrame>

namespace {

class ImageListTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    }
    QString folder() const { return env.root() + QStringLiteral("/pictures"); }
    QString at(const QString& name) const { return folder() + QLatin1Char('/') + name; }
    // Pictures 20261201000001.jpg ... in the folder, each with its comment and settings file.
    QStringList AddPictures(int count) {
        QStringList names;
        for (int i = 1; i <= count; ++i) {
            const QString name =
                QStringLiteral("202612010000%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
            EXPECT_TRUE(WritePicture(at(name), QColor(20 * i, 100, 200)));
            EXPECT_TRUE(TempEnvironment::writeFile(ReplaceLastThree(at(name), "txt"), "c"));
            EXPECT_TRUE(
                TempEnvironment::writeFile(ReplaceLastThree(at(name), "ini"), "[USBProperty]\n"));
            names.prepend(name);
        }
        return names;
    }
    void UseFolder() {
        dlg->m_saveFolder = folder();
        dlg->ResetImageList();
    }
    void Select(int top, int slot) {
        dlg->m_strip.SetTopIndex(top);
        dlg->m_strip.SelectSlot(slot);
        dlg->SelectionChanged();
    }
    bool Enabled(int id) const { return dlg->GetDlgItem(id)->isEnabled(); }
    QString Selected() const { return dlg->m_strip.SelectedName(); }
    void SetDontAsk(bool on) {
        static_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_DONT_ASK))->setChecked(on);
    }
    bool Exists(const QString& name) const { return QFileInfo::exists(at(name)); }
};

TEST_F(ImageListTest, StartUpListsTheSavedFolderNewestNameFirst) {
    ASSERT_TRUE(WritePicture(at(QStringLiteral("a.jpg")), Qt::red));
    ASSERT_TRUE(WritePicture(at(QStringLiteral("b.JPG")), Qt::green));
    ASSERT_TRUE(WritePicture(at(QStringLiteral("c.jpg")), Qt::blue));
    ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("bb.jpg"))));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("d.png")), "x"));
    ASSERT_TRUE(TempEnvironment::writeFile(env.iniFile(),
                                           "[CAPTURE]\nSAVE_FOLDER=" + folder().toUtf8() + "\n"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(dlg->m_strip.names(), (QStringList{"c.jpg", "bb.jpg", "b.JPG", "a.jpg"}));
    EXPECT_EQ(dlg->m_strip.topIndex(), 0);
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);

    dlg->m_saveFolder = folder() + QStringLiteral("/missing");
    dlg->m_strip.SelectSlot(2);
    dlg->ResetImageList();
    EXPECT_TRUE(dlg->m_strip.names().isEmpty());
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
}

TEST_F(ImageListTest, StepButtonsFollowTheStrip) {
    const QStringList names = AddPictures(7);
    ASSERT_TRUE(Start());
    UseFolder();
    // '>' from the last slot scrolls the strip and shows the next older picture.
    Select(0, 4);
    EXPECT_TRUE(Enabled(IDC_NEXT_IMAGE));
    dlg->OnNextImage();
    EXPECT_EQ(dlg->m_strip.topIndex(), 1);
    EXPECT_EQ(Selected(), names[5]);
    dlg->OnNextImage();
    EXPECT_EQ(Selected(), names[6]);
    EXPECT_FALSE(Enabled(IDC_NEXT_IMAGE));
    EXPECT_TRUE(Enabled(IDC_PREV_IMAGE));
    // '<' at the newest picture is disabled.
    Select(1, 0);
    dlg->OnPrevImage();
    EXPECT_EQ(Selected(), names[0]);
    EXPECT_FALSE(Enabled(IDC_PREV_IMAGE));
    EXPECT_TRUE(Enabled(IDC_NEXT_IMAGE));

    // With nothing selected all four stay disabled.
    Select(0, -1);
    for (int id : {IDC_PREV_IMAGE, IDC_NEXT_IMAGE, IDC_DELETE_IMAGE, IDC_DONT_ASK}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
}

TEST_F(ImageListTest, EmptyFolderSlotSelectionIsClearedAtOnce) {
    ASSERT_TRUE(Start());
    UseFolder();
    ASSERT_EQ(dlg->m_viewState, 1);
    const QPoint slot2 = dlg->m_strip.SlotRect(2).center();
    dlg->OnImageAreaLeftClick(slot2.x(), slot2.y());
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_live, 1);
    EXPECT_TRUE(dlg->m_videoWindow->isVisibleTo(dlg.get()));
}

TEST_F(ImageListTest, DeleteWithoutQuestionRemovesTheThreeFilesAndKeepsTheSlot) {
    const QStringList names = AddPictures(10);
    ASSERT_TRUE(Start());
    UseFolder();
    Select(0, 3);
    SetDontAsk(true);
    dlg->OnDeleteImage();
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_FALSE(Exists(names[3]));
    EXPECT_FALSE(Exists(ReplaceLastThree(names[3], "txt")));
    EXPECT_FALSE(Exists(ReplaceLastThree(names[3], "ini")));
    EXPECT_TRUE(Exists(names[4]));
    EXPECT_TRUE(Exists(ReplaceLastThree(names[4], "txt")));
    EXPECT_EQ(dlg->m_strip.names().size(), 9);
    dlg->grab();
    EXPECT_EQ(dlg->m_strip.selSlot(), 3);
    EXPECT_EQ(Selected(), names[4]);
}

TEST_F(ImageListTest, DeleteAsksInTheInterfaceLanguage) {
    const struct {
        int language;
        bool answer;
        const char* question;
    } table[] = {{2, false, "Delete this image ?"},
                 {1, false, "このイメージを削除しますか？"},
                 {2, true, "Delete this image ?"}};
    const QStringList names = AddPictures(3);
    ASSERT_TRUE(Start());
    UseFolder();
    for (const auto& row : table) {
        Select(0, 1);
        const QString name = Selected();
        dlg->m_language = row.language;
        prompts.questions.clear();
        prompts.answers = {row.answer};
        dlg->OnDeleteImage();
        EXPECT_EQ(prompts.questions, QStringList{QString::fromUtf8(row.question)});
        EXPECT_EQ(Exists(name), !row.answer) << row.question;
        EXPECT_EQ(Exists(ReplaceLastThree(name, "txt")), !row.answer);
        EXPECT_EQ(dlg->m_strip.selSlot(), 1);
    }
    EXPECT_EQ(dlg->m_strip.names(), (QStringList{names[0], names[2]}));
}

TEST_F(ImageListTest, DeletingTheOldestEndsInLiveViewWithoutSelection) {
    const QStringList names = AddPictures(3);
    ASSERT_TRUE(Start());
    UseFolder();
    Select(0, 2);
    ASSERT_EQ(dlg->m_viewState, 2);
    SetDontAsk(true);
    dlg->OnDeleteImage();
    EXPECT_FALSE(Exists(names[2]));
    dlg->grab();
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_live, 1);
}

TEST_F(ImageListTest, DeleteNeverLowersTheStripPosition) {
    AddPictures(6);
    ASSERT_TRUE(Start());
    UseFolder();
    Select(5, 0);
    SetDontAsk(true);
    dlg->OnDeleteImage();
    EXPECT_EQ(dlg->m_strip.names().size(), 5);
    dlg->grab();
    EXPECT_EQ(dlg->m_strip.topIndex(), 5);
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    dlg->OnImageAreaLeftClick(200, 500);
    dlg->grab();
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_FALSE(Enabled(IDC_PREV_IMAGE));
}

TEST_F(ImageListTest, PictureThatCannotBeDeletedKeepsItsCompanions) {
    AddPictures(2);
    // A folder with content in the picture's place cannot be removed as a file, even by root.
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("x.jpg/inside")), "x"));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("x.txt")), QByteArray("keep\0", 5)));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("x.ini")), "[USBProperty]\n"));
    ASSERT_TRUE(Start());
    UseFolder();
    ASSERT_EQ(dlg->m_strip.names().first(), QStringLiteral("x.jpg"));
    Select(0, 0);
    prompts.answers = {true};
    dlg->OnDeleteImage();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("This image could not be deleted.")});
    EXPECT_EQ(TempEnvironment::readFile(at(QStringLiteral("x.txt"))), QByteArray("keep\0", 5));
    EXPECT_TRUE(Exists(QStringLiteral("x.ini")));
    EXPECT_EQ(dlg->m_strip.names().first(), QStringLiteral("x.jpg"));
    EXPECT_EQ(dlg->m_strip.names().size(), 3);
}

TEST_F(ImageListTest, SaveFolderChoiceResetsTheListAndReturnsToLive) {
    const QStringList names = AddPictures(2);
    ASSERT_TRUE(Start());
    const QString before = dlg->m_saveFolder;
    const QByteArray iniBefore = TempEnvironment::readFile(env.iniFile());

    // Cancel changes nothing.
    dlg->OnSaveFolder();
    EXPECT_EQ(prompts.folderTitles, QStringList{QStringLiteral("Select Save Folder")});
    EXPECT_EQ(prompts.folderStarts, QStringList{before});
    EXPECT_EQ(dlg->m_saveFolder, before);
    EXPECT_EQ(TempEnvironment::readFile(env.iniFile()), iniBefore);

    // A name the settings file cannot hold as it is would be lost at the next start: it is
    // refused, and the folder stays.
    QStringList refused;
    for (const char* name : {"/line\nbreak", "/return\rhere", "/blank "}) {
        const QString bad = env.root() + QLatin1String(name);
        ASSERT_TRUE(QDir().mkpath(bad));
        prompts.folders = {bad};
        dlg->OnSaveFolder();
        refused.append(QStringLiteral("The name of this folder cannot be stored in the settings "
                                      "file (it holds a line break, begins or ends with a blank, "
                                      "or is longer than 1023 bytes). The folder was not "
                                      "changed.\n[%1]")
                           .arg(bad));
    }
    EXPECT_EQ(prompts.messages, refused);
    EXPECT_EQ(dlg->m_saveFolder, before);
    EXPECT_EQ(TempEnvironment::readFile(env.iniFile()), iniBefore);
    prompts.messages.clear();

    // A choice made in still view.
    UseFolder();
    Select(0, 1);
    ASSERT_EQ(dlg->m_viewState, 2);
    const QString other = env.root() + QStringLiteral("/other");
    ASSERT_TRUE(WritePicture(other + QStringLiteral("/z.jpg"), Qt::red));
    dlg->m_language = 1;
    prompts.folders = {other};
    dlg->OnSaveFolder();
    EXPECT_EQ(prompts.folderTitles.last(), QStringLiteral("保存フォルダの選択"));
    EXPECT_EQ(prompts.folderStarts.last(), folder());
    EXPECT_EQ(dlg->m_saveFolder, other);
    EXPECT_TRUE(TempEnvironment::readFile(env.iniFile()).contains("SAVE_FOLDER=" + other.toUtf8()));
    EXPECT_EQ(dlg->m_strip.names(), QStringList{QStringLiteral("z.jpg")});
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_EQ(dlg->m_strip.topIndex(), 0);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_live, 1);
    EXPECT_TRUE(dlg->m_videoWindow->isVisibleTo(dlg.get()));
    EXPECT_TRUE(Enabled(IDC_CAPTURE));
}

} // namespace
