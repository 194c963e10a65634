// The main window: which data files and working year are in use, twelve buttons that open the
// registers, searches and lists, and the menus.
#pragma once

#include "workweek.h"

#include <QDate>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace korvane {

class App;


class frmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Korvane V2010.5";

    explicit frmMain(App& app, QWidget* parent = nullptr);

    // The working-year and data-file labels from the App's values.
    void SetLabels();
    // The two entry buttons work only when the document file lies on a local hard disk.
    void SetEntryButtons();
    void SetBanner(const QString& organisation);

    // The pattern of every button: the group's data file must exist; then FormMode is set and
    // the window registered under the button's name opens (the main window hides until it
    // closes). Returns whether a window opened.
    bool OpenFromButton(const QString& button, const QString& dataFile, const QString& formMode);

    // The count of the working year's incoming documents not yet dealt with ("Đã xử lý xong"
    // unticked), read again; a failure of the engine is said in its place.
    void ShowUndealtCount();

    // The week view's record source and heading for the computer's current week.
    QString WeekSource() const;
    QString WeekHeading() const;

    QLabel* lblBanner1;
    QLabel* lblBanner2;
    QLabel* Lblnamlamviec;
    QLabel* Lblfiledulieu;
    QPushButton* cmdchuaxuly;  // the undealt count; pressed, the list of those documents
    QPushButton *cmdtracuucvden, *Cmdxemcvden, *cmdnapcvden;
    QPushButton *cmdtracuucvdi, *cmdnapcvdi, *cmdxemcvdi;
    QPushButton *cmdxemkh, *cmdtracuukh, *cmdnapkh;
    QPushButton *Cmdxemlich, *cmdnaplich, *cmdtracuulich;
    QPushButton* Cmdclose;
    QMenu *mnunap, *mnudlieu, *mnuthongkebang, *mnuHelp;
    QAction *mnutendonvi, *mnunapdonvi, *mnunapbophan, *mnunapnoigui, *mnunguoidung, *mnunapchutat, *mnunaploaicv, *mnunapkthuc;
    QAction *mnuchondulieucongvan, *mnuchondulieulich, *mnubackup, *mnuchepdulieu, *mnunhapdulieucv, *mnunhapdulieulich,
        *mnunhapbangthamkhao, *mnuchonnamlamviec;
    QAction* mnuthongke;
    QAction *mnuHelpContents, *mnuHelpAbout;

signals:
    // The clerk ended the program: "&Kết thúc", its menu item or the main window's frame, once
    // every record being typed was kept or dropped. Closing any other window never ends it.
    void Ended();

public:
    void ShowHelp();
    void ShowAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildButtons();
    void buildMenus();
    // Runs the window registered under `name`, if any.
    bool runOpener(const QString& name);
    bool administrator();
    void openChooser(const QString& mode);

    App& app_;
    QList<QPointer<QWidget>> opened_;  // windows in the order they were last shown
};

}  // namespace korvane
