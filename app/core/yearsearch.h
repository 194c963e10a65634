// The searches over a year's table of the plan file (the plans, the calendar): a year chosen from
// the tables of one kind, a number box for the id, periods of two date boxes, the checks made when
// a box is left and again when the search runs, and the way back when the search is closed. Each
// window adds its own boxes, the statement it builds and the list it opens.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace engine {
class DbError;
}

namespace korvane {

class App;

// The checks of a search's boxes. When one fails it says so and puts the focus where the clerk
// is to mend it; `checking` is set meanwhile, so that the focus moved by the message is not taken
// for the clerk leaving a box.
// A date typed in any accepted form is written out in full; one that is no date is cleared.
bool CheckDateBox(App& app, QLineEdit* box, const QString& message, bool& checking);
// The number condition in the language of NumberCondition.
bool CheckNumberBox(App& app, QLineEdit* box, bool& checking);
// A period whose end, when both are given, does not come before its start.
bool CheckPeriodBoxes(App& app, QLineEdit* from, QLineEdit* to, const QString& message, QWidget* focus, bool& checking);
// F5 in a date box: today when it is empty, otherwise its date a day on (`delta` 1) or back (-1).
void StepDateBox(App& app, QLineEdit* box, int delta);
// A period's two boxes on one line, with `between` between them.
QWidget* PeriodLine(QWidget* parent, QLineEdit* from, QLineEdit* to, const QString& between);
// The lines of a search's help that explain the signs of the condition language, each after a
// carriage return.
QString ConditionSignsHelp();
// The tick box "Không phân biệt dấu" of a search window (`chkkhongdau`): a term typed without
// marks then matches the text with any marks. On until the clerk turns it off; each user's
// choice is kept on this computer and read again whenever the window is shown.
QCheckBox* WithoutMarksBox(App& app, QWidget* window);

class YearSearch : public QWidget {
    Q_OBJECT
public:
    ~YearSearch() override;

    // Runs the search; false when it stopped (the reason was said).
    virtual bool Search() = 0;
    void ClearConditions();
    // Back to the register the search came from or to the main window; the boxes start empty and
    // the year is the working year at the next opening.
    void CloseSearch();
    // Offers the years of the tables as they are now; the year chosen stays chosen while it is
    // one of them (at first: the working year).
    void FillYears();

    QComboBox* Combonamlamviec;
    QLineEdit* txtid;
    QLabel* lblhuongdan;
    QPushButton *cmdtracuu, *cmdxoa, *cmdclose;
    QCheckBox* chkkhongdau;

protected:
    // A year is one of the tables named `prefix` and four digits; `workingTable` is the App's
    // table of the working year.
    YearSearch(App& app, const QString& prefix, QString App::*workingTable);

    struct Row {
        QString caption;
        QWidget* box;              // a box, or a period made by period()
        QWidget* list = nullptr;   // the drop-down list that fills the box, beside it
    };
    QLineEdit* box(const char* name, int limit);
    // A PeriodLine whose dates are checked on leaving and at the search, in the order the periods
    // are made.
    QWidget* period(QLineEdit* from, QLineEdit* to, const QString& between);
    // Lays the window out: the title, the year and the rows of conditions, `flags` on one line
    // under them, the buttons and the help. Keys go through them in that order.
    void layOut(const QString& title, const QList<Row>& rows, const QList<QCheckBox*>& flags = {});
    // Boxes whose abbreviations are expanded as they are typed.
    QList<QLineEdit*> abbreviated_;
    // Expands the abbreviation the key (or KeyLeave) ends, from the shared list.
    void expand(QLineEdit* b, int code);

    // The table of the year chosen; empty, and said, when no year is chosen.
    QString searchedTable();
    // Everything checked on leaving a box is checked again at the search: a button pressed with
    // its Alt key leaves the focus where it was.
    bool checkConditions();
    bool checkDate(QLineEdit* b);
    // What is said of a date box that holds no date.
    virtual QString badDateMessage(const QLineEdit* b) const;
    // An engine failure: recorded and said to the clerk, or, where the window is filling itself,
    // as a system message.
    void sayFailure(const engine::DbError& e);
    void saySystemFailure(const engine::DbError& e);

    // What a key does in a box after F4, which empties it.
    virtual void keyReleased(QLineEdit* b, int code, const QKeyEvent* event);
    // What leaving a box does: the number and the dates are checked, a period's end with its start.
    virtual void fieldLeft(QLineEdit* b, Qt::FocusReason reason);
    // Shows the register the search came from; false when there is none to go back to.
    virtual bool backToRegister() = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    App& app_;

private:
    struct Period {
        QLineEdit *from, *to;
        QWidget* line;
    };
    bool checkPeriod(const Period& p);
    bool checkNumber();

    QString prefix_;
    QString App::*workingTable_;
    QList<Period> periods_;
    bool checking_ = false;
};

}  // namespace korvane
