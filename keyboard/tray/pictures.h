// The tray program's pictures, drawn here rather than shipped as files: the program's icon, the
// notification icons of the two modes and the toolbar's button faces.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kesmir::tray {

QIcon ProgramIcon();                              // a yellow star on a red key cap
QIcon ModeIcon(bool vietnamese);                  // notification icon: "V" on red or "E" on blue
QPixmap ModePicture(bool vietnamese, QSize size);  // toolbar button 1
QPixmap SettingsPicture(QSize size);              // toolbar button 2: opens the settings
QPixmap ConverterPicture(QSize size);             // toolbar button 3: starts the converter
QPixmap AboutPicture(QSize size);

}  // namespace kesmir::tray
