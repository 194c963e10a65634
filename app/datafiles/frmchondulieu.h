// The data-file chooser: switches the program to another document file or plan-and-calendar file
// while it runs, or chooses the backup file. The choice is checked before anything changes; a
// switch that fails half-way puts the previous files, databases and lists back in use.
#pragma once

#include "datafiles.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace korvane {

class App;

class frmchondulieu : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Documents, Plans, Backup };

    // Chooses by App::ChooserMode ("chonfiledulieucongvan", "chonfiledulieulich" or
    // "chonfiledulieubackup", letter case ignored).
    frmchondulieu(App& app, Kind kind, QWidget* parent = nullptr);

    // The files used before, from the used-file list of the kind (the backup path in backup mode).
    void NapDsachfiledadung();
    // "&Tìm file mới": the file dialog; its answer becomes the chosen file.
    void Browse();
    // "&Chấp nhận": true when the chosen file is in use afterwards.
    bool Accept();
    // A server's data named in the chosen file's box is tried at once: lblketnoi says "Kết nối
    // được" or why not. A path says nothing.
    void TryConnection();

    QLabel *lbltieude, *Label4, *Label3, *label2, *lblketnoi;
    QLineEdit *filedangdung, *filechon;
    QListWidget* List1;
    QPushButton *cmdchon, *cmdchapnhan, *cmdhuychon;

private:
    QString refusal(QString& chosen);  // the reason the chosen file is refused, or empty
    QString backupRefusal(QString& chosen);
    QString serverRefusal(const QString& chosen);
    void showConnection(const QString& text);  // in lblketnoi, with the room its lines need
    QString fileRefusal(const QString& chosen, const ShowMessage& show);
    QString yearAndLogin(const QString& chosen);  // the working year's tables, the plan file's login
    bool switchTo(const QString& chosen);

    App& app_;
    Kind kind_;
    QString triedName_, triedWhy_;  // the server last tried, and why it could not be opened
    // Saved before the new user logs in (plan mode), restored when the switch fails.
    QString savedUserFullName_, savedUserRights_, savedPlanRefFile_;
};

// The chooser for App::ChooserMode, run modally; an unknown mode opens nothing.
void ChooseDataFile(App& app);
// Registers the chooser as the window the main window's data-file items open.
void InstallDataFileChooser(App& app);

}  // namespace korvane
