// The weekly calendar register: one entry of the working year's calendar at a time (a meeting or
// an event: its day, weekday, time, content, who presides and prepares, place, participants and
// a note), viewed, added or corrected, and the ways to the week view, the calendar grid and the
// calendar search. It is hidden, not closed, when the clerk leaves it.
#pragma once

#include "formkit.h"

#include "app.h"

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace korvane {

class App;
class CalendarFields;

class frmlich : public QWidget, public DataWindow {
    Q_OBJECT
public:
    frmlich(App& app, QWidget* mainWindow);
    ~frmlich() override;
    // Opens (or shows again) the register over the working year's calendar, on its last entry.
    static frmlich* Open(App& app);
    // The register, or null when it was never opened.
    static frmlich* Find(App& app);
    // Before the files change: the entry being typed is kept (saved) or dropped as the clerk
    // answers; false when the clerk goes on with it.
    bool ReleaseData() override;

    // Back from the week view, the grid or the search: the entries are read again, the entry
    // with this id (when above 0) becomes current, and the register is shown in viewing mode.
    void ComeBack(qlonglong id);

    void StartNew();
    bool Save();
    void Correct();
    void Delete();
    void GoToSearch();
    void ShowGrid();
    void ShowWeek();
    void CloseRegister();

    DataSource* Data1;
    BoundLineEdit *txtFields, *mngay, *mngaychuan, *mthu, *mgio, *mgiochuan, *mndung, *mchutri, *mchuanbi, *mdiadiem, *mthanhphan,
        *mghichu, *mngaycapnhat, *mngaycapnhatchuan, *mnguoicapnhat;
    QLabel *lbltrangthai, *lblhuongdan;
    QLineEdit* mrecnum;
    QPushButton *cmdAdd, *Cmdsua, *cmdUpdate, *cmdDelete, *cmdbang, *cmdGrid, *Cmdtracuu, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool editing() const;
    // This register's own mode ("xemkehoach", "napkehoach", ...): other windows change the
    // shared FormMode as they open, never what this window is doing.
    QString mode_;
    void setMode(const QString& mode);
    void showMode();
    void returnToViewing();
    void showPosition();
    void jumpToPosition();
    bool fieldLeft(QWidget* field);
    void openInstead(const QString& opener, const QString& mode);

    App& app_;
    QWidget* main_;
    std::unique_ptr<CalendarFields> entry_;
    bool closing_ = false;
};

}  // namespace korvane
