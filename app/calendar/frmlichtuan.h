// The week view: the calendar entries of one week, Monday to Sunday, stepped a week at a time or
// moved to the week of a month's first day, and printed through the weekly calendar report.
#pragma once

#include "database.h"

#include <QDate>
#include <QStringList>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace korvane {

class App;
class DBGrid;

class frmlichtuan : public QWidget {
    Q_OBJECT
public:
    explicit frmlichtuan(App& app);
    ~frmlichtuan() override;
    // The one week view, made when first needed.
    static frmlichtuan* Instance(App& app);

    // Shows the week (Monday to Sunday) that holds `date`. App::FormMode tells where "Kết thúc"
    // returns: "xemlich" to the calendar register, anything else to the main window. Throws
    // nothing: a failure to read the entries is said, and the window is shown all the same (with
    // no entries), so that the clerk can step on or go back.
    void ShowWeek(const QDate& date);

    // The operations of the buttons and of the month list.
    void PreviousWeek();
    void NextWeek();
    void AskMonth();             // "Chọn tháng": the month list, focused
    void ChooseMonth(int month);  // the week of the 1st of that month of the working year
    void Print();
    void CloseWeek();

    // The date last asked for, and the Monday and Sunday of the week shown.
    QDate AskedDate() const { return asked_; }
    QDate FirstDay() const { return first_; }
    QDate LastDay() const { return last_; }
    // The id of the grid's current entry; 0 when there is none or it belongs to a calendar table
    // other than the working year's (which the register does not show).
    qlonglong CurrentId() const;
    // The calendar tables the week is read from: the working year's and that of each year the
    // week touches, when the plan file has it.
    QStringList WeekTables() const;

    QLineEdit *txtdautuan, *txtcuoituan, *Txtle;
    QLabel* Lbltieude;
    QListWidget* List1;
    DBGrid* DBGrid1;
    QPushButton *cmdtruoc, *cmdsau, *cmdthang, *Cmdinlich, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showWeekOf(const QDate& date);
    QString weekStatement() const;
    std::unique_ptr<engine::Recordset> readWeek() const;
    bool fillPrintTable(long& rows);

    App& app_;
    QDate asked_, first_, last_;
    bool fromRegister_ = false;
    std::unique_ptr<engine::Recordset> rows_;  // what the grid shows
};

// The Monday of the week that holds `date`.
QDate WeekStart(const QDate& date);

}  // namespace korvane
