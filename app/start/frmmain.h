// The main window: which data files and working year are in use, twelve buttons that open the
// registers, searches and lists, and the menus.
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace korvane {

class App;

// Monday to Sunday of the week that holds `today`.
struct Week {
    QDate monday, sunday;
};
Week CurrentWeek(const QDate& today);
// The day whose week the main window's week button shows. In this year's working year it is
// today. In another working year it is today's day and month in that year (28 February for a
// 29th the year lacks), unless that week holds no entry of the working year's calendar: then it
// is the day of the year's last entry, so the view opens on the last week with work in it.
// Throws nothing: when the calendar cannot be read the shifted day is kept, and the week view
// says the failure when it reads the week.
QDate WeekViewDate(App& app);

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

    // The week view's record source and heading for the computer's current week.
    QString WeekSource() const;
    QString WeekHeading() const;

    QLabel* lblBanner1;
    QLabel* lblBanner2;
    QLabel* Lblnamlamviec;
    QLabel* Lblfiledulieu;
    QPushButton *cmdtracuucvden, *Cmdxemcvden, *cmdnapcvden;
    QPushButton *cmdtracuucvdi, *cmdnapcvdi, *cmdxemcvdi;
    QPushButton *cmdxemkh, *cmdtracuukh, *cmdnapkh;
    QPushButton *Cmdxemlich, *cmdnaplich, *cmdtracuulich;
    QPushButton* Cmdclose;
    QMenu *mnunap, *mnudlieu, *mnuHelp;
    QAction *mnutendonvi, *mnunapdonvi, *mnunapbophan, *mnunapnoigui, *mnunguoidung, *mnunapchutat, *mnunaploaicv, *mnunapkthuc;
    QAction *mnuchondulieucongvan, *mnuchondulieulich, *mnubackup, *mnunhapdulieucv, *mnunhapdulieulich,
        *mnunhapbangthamkhao, *mnuchonnamlamviec;
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
