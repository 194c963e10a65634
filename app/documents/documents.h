// The document windows the main window opens, by the names of its buttons and of the windows
// that open one another (the registers' search, the lists).
#pragma once

class QWidget;

namespace korvane {

class App;

// Gives the window owner the factories of these windows, by form name; the registers go back to
// `mainWindow` when they close.
void InstallDocumentWindows(App& app, QWidget* mainWindow);

}  // namespace korvane
