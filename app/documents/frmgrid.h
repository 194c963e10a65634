// The document lists: a grid of documents (the whole year, or what a search found) with the
// fields of the current one below, written as they are corrected there, print marks set by a
// double-click, and the printing of the marked documents through the register's report.
#pragma once

#include "listwindow.h"

#include <map>

namespace korvane {

class DocumentList : public ListWindow {
    Q_OBJECT
public:
    ~DocumentList() override;

    QLabel* lblhuongdan;
    QPushButton *Cmdin, *Cmdincvtheongay;

    // The panel's box of a column ("noigui"); null when the panel has none.
    QWidget* Field(const QString& column) const;

    // Writes what was typed into the panel before the list shows other rows; false (after the
    // message) when it cannot be written, and the rows stay.
    bool KeepPanelEdits() { return commitPanel(); }
    // The rows a search found in `table` with `clause` (empty: the whole year); "Chọn tất" marks
    // the rows of that clause, whatever other searches run meanwhile. No row is marked yet.
    void ShowRows(const QString& statement, const QString& table, const QString& clause, std::unique_ptr<engine::Recordset> rows);
    // The whole working year, as the main window opens the list, no row marked yet. Throws the
    // engine's failure (the main window reports it).
    void ShowYear();

    void PrintMarked() { Print(); }
    void PrintByDate();

protected:
    struct Box {
        const char* column;
        QString label;
        int limit;
        const char* twin = nullptr;  // the yyyymmdd column of a date
    };
    struct Kind {
        bool incoming;
        QString caption;  // the status caption
        QList<RecordsetModel::Column> columns;
        QList<Box> panel;
        QStringList tabOrder;  // the panel's columns in the register's order of entry
        QString dateColumn, dateMessage;  // the date printed from, and the message for a date that is none
        Printing print;
    };
    DocumentList(App& app, const char* name, const QString& title, Kind kind);

private:
    bool commitPanel();
    bool finishPanel() override { return commitPanel(); }
    bool leaveRow() override { return commitPanel(); }
    QString printStatement() const override;
    QString missingTemplate(const QString& path) const override;
    bool backToRegister(qlonglong id) override;

    Kind kind_;
    std::map<QString, QWidget*> boxes_;
    bool checking_ = false;
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
