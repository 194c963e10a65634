// The calendar windows the main window opens, by the names of its buttons and of the windows
// that open one another.
#pragma once

class QWidget;

namespace korvane {

class App;

void InstallCalendarWindows(App& app, QWidget* mainWindow);

}  // namespace korvane
