// The administrator's copy of the whole office: its shared data files put onto a server, or a
// server's office put into a folder of files (which is also the office's whole backup), with the
// copy's progress shown and every row compared before the copy is named.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace korvane {

class App;

class frmchepdulieu : public QDialog {
    Q_OBJECT
public:
    explicit frmchepdulieu(App& app, QWidget* parent = nullptr);

    // "&Chép": asks first, then copies into the server address or folder typed in `noinhan`;
    // true when the copy was made.
    bool Copy();

    QLabel *lbltieude, *lblnguon, *Label1, *lblbuoc;
    QLineEdit* noinhan;
    QProgressBar* tiendo;
    QPushButton *cmdchep, *cmddong;

private:
    App& app_;
};

// Registers the window the main window's "copy the office" item opens.
void InstallOfficeCopy(App& app);

}  // namespace korvane
