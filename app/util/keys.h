// The key codes that the windows' key handlers test, taken from Qt's key events in one place.
#pragma once

class QKeyEvent;

namespace korvane {

enum KeyCode : int {
    KeyNone = 0,
    KeyBackspace = 8,
    KeyTab = 9,
    KeyEnter = 13,
    KeyEscape = 27,
    KeySpace = 32,
    KeyPageUp = 33,
    KeyPageDown = 34,
    KeyEnd = 35,
    KeyHome = 36,
    KeyLeft = 37,
    KeyUp = 38,
    KeyRight = 39,
    KeyDown = 40,
    KeyInsert = 45,
    KeyDelete = 46,
    KeyF1 = 112,  // F1..F12 are 112..123
    KeyComma = 188,
    KeyLeave = 9999,  // not a key: the box is being left
};

// The code of the event's key: letters A-Z as 65-90, digits as 48-57, the keys above, and
// KeyNone for any other key.
int KeyCodeOf(const QKeyEvent* event);

}  // namespace korvane
