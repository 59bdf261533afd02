#pragma once
// The pictures of the transport and toolbar buttons. They come from the desktop's icon
// theme (Adwaita when the desktop names none); a picture the theme lacks is drawn here.
#include <QIcon>
#include <QString>

namespace ui {

enum class IconId {
    Play,
    Pause,
    Stop,
    Previous,
    Next,
    Backward,
    Forward,
    MarkIn,
    MarkOut,
    Loop,
    Sound,
    Mute,
    Open,
    List,
    Save,
    Add,
    Remove,
    Folder,
    Snapshot,
};

// The picture for a button: the theme's when it has one, else the drawn one.
QIcon icon(IconId id);

// The theme name looked up for an id (empty for pictures only drawn here).
QString themeName(IconId id);

// The picture drawn by the program itself, used where the theme has none.
QIcon drawnIcon(IconId id);

// True when icon(id) comes from the theme.
bool fromTheme(IconId id);

} // namespace ui
