#pragma once

#include <QList>
#include <QRect>

// The main window's controls: kind, place in the client area and whether they show.
struct MainControl {
    enum Kind { PushButton, CheckBox, PushLikeCheckBox, RadioButton, ComboBox, StaticText };
    int id;
    Kind kind;
    bool shown;
    QRect rect;
};

const QList<MainControl>& MainControls();

// Ids whose Japanese captions are set at start-up, in the order they are set.
const QList<int>& JapaneseCaptionOrder();
