// The document lists: a grid of documents (the whole year, or what a search found) with the
// fields of the current one below, print marks set by a double-click, and the printing of the
// marked documents through the register's report.
#pragma once

#include "app.h"
#include "formkit.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace korvane {

class App;

class DocumentList : public QWidget, public DataWindow {
    Q_OBJECT
public:
    ~DocumentList() override;

    DataSource* Data1;
    DBGrid* DBGrid1;
    QLabel *lbltrangthai, *lblhuongdan;
    QLineEdit *mrecnum, *txtle;
    QPushButton *Cmdin, *Cmdchontat, *Cmdhuychon, *Cmdincvtheongay, *cmdclose;

    // The panel's box of a column ("noigui"); null when the panel has none.
    QWidget* Field(const QString& column) const;

    // Writes what was typed into the panel before the list shows other rows; false (after the
    // message) when it cannot be written, and the rows stay.
    bool KeepPanelEdits();
    bool ReleaseData() override { return KeepPanelEdits(); }
    // The rows a search found in `table` with `clause` (empty: the whole year); "Chọn tất" marks
    // the rows of that clause, whatever other searches run meanwhile. No row is marked yet.
    void ShowRows(const QString& statement, const QString& table, const QString& clause, std::unique_ptr<engine::Recordset> rows);
    // The whole working year, as the main window opens the list, no row marked yet. Throws the
    // engine's failure (the main window reports it).
    void ShowYear();
    // The rows this list has marked for printing (its clerk's own; the grid's column "In").
    const PrintMarks& Marks() const { return marks_; }

    void ToggleMark(int row);
    void MarkAll();
    void ClearMarks();
    void PrintMarked();
    void PrintByDate();
    void CloseList();

protected:
    struct Box {
        const char* column;
        QString label;
        int limit;
        const char* twin = nullptr;  // the yyyymmdd column of a date
    };
    struct Kind {
        QString prefix;         // "cvden", "cvdi"
        QString caption;        // the status caption
        QList<RecordsetModel::Column> columns;
        QList<Box> panel;
        QString printTable, reportName, emptyMessage, caller, dateColumn, registerName, searchName;
        bool deleteBeforeCheck;  // the print table is emptied before the marked rows are looked for
        QString dateMessage;     // the register's message for a date that is none
        QStringList tabOrder;    // the panel's columns in the register's order of entry
    };

    DocumentList(App& app, Kind kind);
    App& app_;

private:
    bool commitPanel();
    void refreshAt(qlonglong id);
    void changeMarks(const std::function<void()>& change);
    void showPosition();
    qlonglong currentId() const;

    Kind kind_;
    QString table_;           // the year table whose rows are listed
    QString clause_;          // the search's condition of the rows listed
    bool fromSearch_ = false;
    PrintMarks marks_;
    std::map<QString, QWidget*> boxes_;
    bool checking_ = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

class frmgridcvden : public DocumentList {
    Q_OBJECT
public:
    explicit frmgridcvden(App& app);
    static frmgridcvden* Instance(App& app);
};

class frmgridcvdi : public DocumentList {
    Q_OBJECT
public:
    explicit frmgridcvdi(App& app);
    static frmgridcvdi* Instance(App& app);
};

}  // namespace korvane
