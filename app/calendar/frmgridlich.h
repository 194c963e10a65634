// The calendar grid: the entries of the year (or what a calendar search found) in date and time
// order, each with its print mark, an edit panel that works as the calendar register does, and
// the printing of the marked entries through the weekly calendar report.
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

class frmGridlich : public QWidget, public DataWindow {
    Q_OBJECT
public:
    explicit frmGridlich(App& app);
    ~frmGridlich() override;
    static frmGridlich* Instance(App& app);
    // Before the files change: an entry being added or corrected is kept (saved) or dropped as
    // the clerk answers; false when the clerk goes on with it.
    bool ReleaseData() override;

    // Every entry of the working year, none marked yet, positioned on the entry `id` (when above
    // 0); from the calendar register. Throws the engine's failure to read the entries.
    void ShowYear(qlonglong id);
    // The entries a calendar search found in `table` with `clause` (empty: all of them), none
    // marked yet; `statement` is the search's SELECT, which the grid keeps. "Chọn tất" marks the
    // entries of `table` that `clause` selects, whatever other searches run meanwhile. Throws
    // the engine's failure to read the entries.
    void ShowFound(const QString& statement, const QString& table, const QString& clause);

    // The operations of the buttons and of a double click.
    void StartNew();  // "Nạp mới", and "Huỷ nạp" while adding
    void Correct();   // "Sửa", and "Huỷ sửa" while correcting
    bool Save();      // false when the entry is still being added or corrected, as typed
    void Delete();
    void ToggleMark(int row);
    void MarkAll();
    void ClearMarks();
    void Print();
    void CloseGrid();

    // "naplich", "sualich" or "xemlich": the grid's own mode.
    const QString& Mode() const { return mode_; }
    // The SELECT the rows come from, the calendar table they are in and the search's condition.
    const QString& Statement() const { return statement_; }
    const QString& Table() const { return table_; }
    const QString& Clause() const { return clause_; }
    // The entries this grid has marked for printing (its clerk's own; the column "In").
    const PrintMarks& Marks() const { return marks_; }

    DataSource* Data1;
    DBGrid* DBGrid1;
    BoundLineEdit *txtid, *mngay, *mngaychuan, *mthu, *mgio, *mgiochuan, *mndung, *mchutri, *mchuanbi, *mdiadiem, *mthanhphan, *mghichu,
        *mngaycapnhat, *mngaycapnhatchuan, *mnguoicapnhat;
    QLabel* lbltrangthai;
    QLineEdit* txtle;
    QPushButton *cmdAdd, *Cmdsua, *cmdUpdate, *cmdxoa, *Cmdchontat, *Cmdhuychon, *Cmdin, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool editing() const;
    void open(const QString& statement, const QString& table, const QString& clause, bool fromSearch, qlonglong id);
    void setMode(const QString& mode);
    void returnToViewing();
    // Ends adding or correcting before the row changes, the grid is read again or the window
    // closes: the save question, then the save or the abandon. False when the entry stays.
    bool finishEditing();
    bool save(bool reread);
    bool fieldLeft(QWidget* field);
    // The rows read again, on the entry `id` when it is still listed (else the first row).
    void reread(qlonglong id);
    void goToId(qlonglong id);
    // The marks changed by `change`, then the rows read again on the row the clerk was on.
    void changeMarks(const std::function<void()>& change);

    App& app_;
    std::unique_ptr<CalendarFields> entry_;
    QString mode_;
    QString statement_, table_, clause_;
    bool fromSearch_ = false;
    PrintMarks marks_;
};

}  // namespace korvane
