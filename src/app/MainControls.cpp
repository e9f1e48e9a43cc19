#include "app/MainControls.h"

#include "app/ControlIds.h"

const QList<MainControl>& MainControls() {
    using C = MainControl;
    // The combo box keeps its template size: 87 x 67 dialog units of an 8-point dialog font.
    static const QList<MainControl> controls = {
        {IDC_CAPTURE, C::PushButton, true, {40, 30, 130, 30}},
        {IDC_DEFAULT, C::PushButton, false, {0, 0, 75, 23}},
        {IDC_EXIT, C::PushButton, true, {880, 540, 120, 30}},
        {IDC_SAVE_FOLDER, C::PushButton, true, {20, 500, 120, 30}},
        {IDC_DELETE_IMAGE, C::PushButton, true, {20, 540, 120, 30}},
        {IDC_PREV_IMAGE, C::PushButton, true, {150, 498, 30, 90}},
        {IDC_NEXT_IMAGE, C::PushButton, true, {840, 498, 30, 90}},
        {IDC_COMP_VIEW, C::PushButton, true, {880, 500, 120, 30}},
        {IDC_VIDEO_PROPERTY, C::PushButton, true, {850, 160, 130, 30}},
        {IDC_VIDEO_FORMAT, C::PushButton, true, {850, 200, 130, 30}},
        {IDC_LIVE, C::PushLikeCheckBox, false, {40, 50, 130, 30}},
        {IDC_TITLE_BAR, C::CheckBox, true, {850, 50, 130, 30}},
        {IDC_ORIGINAL_SIZE, C::RadioButton, false, {40, 90, 130, 20}},
        {IDC_FIT_WINDOW, C::RadioButton, true, {40, 110, 130, 20}},
        {IDC_FULL_SCREEN, C::RadioButton, true, {40, 130, 130, 20}},
        {IDC_CAMERA_SELECT, C::ComboBox, true, {850, 120, 131, 23}},
        {IDC_MOVIE_DLG, C::PushButton, true, {40, 200, 130, 30}},
        {IDC_RESOLUTION, C::StaticText, true, {40, 90, 130, 20}},
        {IDC_DONT_ASK, C::CheckBox, true, {50, 570, 100, 20}},
        {IDC_KEEP_ASPECT, C::CheckBox, true, {70, 150, 100, 20}},
        {IDC_COPY_PROPERTY, C::PushButton, true, {850, 400, 130, 30}},
        {IDC_SHOW_COMMENT, C::CheckBox, true, {910, 470, 100, 20}},
    };
    return controls;
}

const QList<int>& JapaneseCaptionOrder() {
    static const QList<int> order = {IDC_CAPTURE,      IDC_EXIT,       IDC_SAVE_FOLDER,
                                     IDC_DELETE_IMAGE, IDC_COMP_VIEW,  IDC_VIDEO_PROPERTY,
                                     IDC_VIDEO_FORMAT, IDC_FIT_WINDOW, IDC_FULL_SCREEN,
                                     IDC_TITLE_BAR,    IDC_MOVIE_DLG,  IDC_COPY_PROPERTY};
    return order;
}
