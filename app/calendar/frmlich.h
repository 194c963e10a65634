// The weekly calendar register: one entry of the working year's calendar at a time (a meeting or
// an event: its day, weekday, time, content, who presides and prepares, place, participants and
// a note) on the record form, with what is particular to the calendar: the weekday that follows
// the date, the time's sort key, the day steps of F5, the "CB" rule, and the ways to the week
// view, the calendar grid and the calendar search. It is hidden, not ended, when the clerk leaves it.
#pragma once

#include "recordform.h"

#include <memory>

namespace korvane {

class CalendarFields;

class frmlich : public RecordForm {
    Q_OBJECT
public:
    frmlich(App& app, QWidget* mainWindow);
    ~frmlich() override;
    // Opens (or shows again) the register over the working year's calendar, on its last entry.
    static frmlich* Open(App& app);
    // The register, or null when it was never opened.
    static frmlich* Find(App& app);

    void ShowGrid();
    void ShowWeek();

private:
    std::unique_ptr<CalendarFields> entry_;  // made before the names below, which are its boxes

public:
    BoundLineEdit *&txtFields, *&mngay, *&mngaychuan, *&mthu, *&mgio, *&mgiochuan, *&mndung, *&mchutri, *&mchuanbi, *&mdiadiem,
        *&mthanhphan, *&mghichu, *&mngaycapnhat, *&mngaycapnhatchuan, *&mnguoicapnhat;
    QPushButton *cmdbang, *cmdGrid;

protected:
    void rememberLast(bool hasLast) override;
    void newRecordDefaults() override;
    void takeCarryOver() override;
};

}  // namespace korvane
