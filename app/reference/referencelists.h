// The reference-list windows: the lists of abbreviations, units, correspondent bodies and
// document types (one design, AbbreviationList), the departments and the organisation's name,
// and the openers through which the main window's menus run them.
#pragma once

#include "formkit.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvane {

class App;

// A list of names with their abbreviations. The grid shows the table in sort-key order; the two
// entry boxes are not bound: they are loaded from the current row while viewing and written into
// the hidden bound boxes when saved. The mode lives in App::FormMode: "xem", "nap", "sua".
class AbbreviationList : public QDialog {
    Q_OBJECT
public:
    // What tells one list from another.
    struct Kind {
        const char* form;         // the window's object name
        QString title;            // window title and heading
        QString table;
        QString nameColumn;       // the column the name box edits
        const char* entryBox;     // object name of the name box
        const char* twinBox;      // object name of its hidden bound twin
        QString nameHeading;      // the grid's heading of the name column
        QString viewText, addText, editText;
        QString viewAfterQuestion;  // the view status after the save question
        QString emptyMessage;
    };

    AbbreviationList(App& app, Kind kind, QWidget* parent = nullptr);

    // The rows of the table in `db`, the last one current. Throws nothing: a failure is said.
    void Open(engine::Database* db);

    void Add();
    void Correct();
    // False when nothing was written and the window keeps its mode (the entry refused, or the
    // file failed).
    bool Save();
    void Delete();
    void CloseWindow();
    // "Xuất Excel": the list as the grid shows it, to an XLSX or CSV file.
    void Export();
    // The question asked before what is being typed is left. False when the window stays in its
    // mode (the save was refused, or the question was closed without an answer).
    bool AskToSave();

    bool Changing() const;
    const Kind& kind() const { return kind_; }

    DataSource* Data1;
    DBGrid* DBGrid1;
    QLabel *lbltieude, *lbltrangthai;
    QLabel* lblData1;  // the navigator's caption: position/count
    QLineEdit *mname, *mchutat;
    BoundLineEdit *txtid, *txtmatt, *txtname, *txtchutat;
    QPushButton *cmdAdd, *Cmdsua, *cmdDelete, *cmdUpdate, *cmdxuat, *cmdclose;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;  // the window's frame: as "Kết thúc"

private:
    void backToView(bool afterQuestion);
    void loadEntries();
    void showPosition();
    void refreshOn(qint64 id);
    QString rowName() const;
    QString rowAbbreviation() const;

    App& app_;
    Kind kind_;
    bool refused_ = false;  // the last save was refused
    bool saving_ = false;   // a save is under way: no save question meanwhile
    bool validating_ = false;  // the data source is asking before it leaves its row
};

// The sort key written into "matt" for a name: as much of its Vietnamese sort key as the column
// holds.
QString ReferenceSortKey(const QString& name);

// Fills App::Openers with the reference-list windows of the main window's menu.
void InstallReferenceListWindows(App& app);

}  // namespace korvane
