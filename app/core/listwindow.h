// The list window: a grid over the rows of a register (a year, or what a search found) and a
// panel of the current row's fields bound to the same data source, the panel's own edit mode
// with its keep question, the clerk's print marks with "Chọn tất" and "Huỷ chọn", the printing
// of the marked rows (or of the whole list) through a report template, the margin box, the
// position box, the status caption and the ways back to where the list was opened from.
// A list declares its columns, its panel, its template and the points where it differs.
#pragma once

#include "app.h"
#include "formkit.h"

#include <QWidget>

class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace korvane {

class ListWindow : public QWidget, public DataWindow {
    Q_OBJECT
public:
    ~ListWindow() override;

    DataSource* Data1;
    DBGrid* DBGrid1;
    QLabel* lbltrangthai;
    QLineEdit* txtle;
    QLineEdit* mrecnum = nullptr;  // the position box, for the lists that show one
    // The buttons a list has (null where it has none).
    QPushButton *cmdAdd = nullptr, *Cmdsua = nullptr, *cmdUpdate = nullptr, *cmdxoa = nullptr, *Cmdchontat = nullptr,
                *Cmdhuychon = nullptr, *cmdclose = nullptr, *cmdxuat = nullptr;

    // Before the files change: what was typed into the panel is kept or dropped as the list
    // does it (see finishPanel); false when the clerk goes on with it.
    bool ReleaseData() override { return finishPanel(); }

    // The SELECT the rows come from, the table they are in and the search's condition (empty:
    // every row of the table).
    const QString& Statement() const { return statement_; }
    const QString& Table() const { return table_; }
    const QString& Clause() const { return clause_; }
    // The rows this list has marked for printing (its clerk's own; the grid's column "In").
    const PrintMarks& Marks() const { return marks_; }
    // The panel's mode ("xemlich", "suakehoach", ...); empty in a list without modes.
    const QString& Mode() const { return mode_; }
    bool Editing() const { return mode_ != modes_.view; }

    // The operations of the buttons and of a double click.
    void ToggleMark(int row);
    void MarkAll();
    void ClearMarks();
    void Print();
    // "Xuất Excel": the columns the template prints, the rows the print would read in the list's
    // order, only the marked ones when some are marked, to an XLSX or CSV file.
    void Export();
    void CloseList();

protected:
    // The operations of the edit buttons, made public by the lists with modes.
    void Correct();  // "Sửa", and "Huỷ sửa" while correcting
    bool Save();     // false when the row is still being added or corrected, as typed
    void Delete();

    // ---- What a list declares -------------------------------------------------------------
    struct Modes {
        QString view, add, edit;                      // "xemlich", "naplich", "sualich"
        QString viewCaption, addCaption, editCaption;  // the status captions
    };
    struct Printing {
        QString report;         // the template, "brcvden.rpt"
        QString subtitle;       // "(Những công văn được chọn)"
        QString pdfName;        // offered for a PDF
        QString emptyMessage;   // said when the list holds no row
        QString keptQuery;      // the saved query the printed statement is kept under ("qrdata1")
        // The marked rows go into this print table of the scratch file, read in `order`; empty:
        // the whole list prints through printStatement(), and no row need be marked.
        QString printTable, order;
        QString nothingMarked;  // said when no marked row is left to print
        bool emptyFirst = false;  // the print table is emptied before the marks are looked at
    };
    struct WayBack {
        QString searchMode;     // App::FormMode when the list came from its search
        QString searchWindow;   // that search window
        const char* searchFocus = nullptr;  // the search's box that gets the keys back
    };

    ListWindow(App& app, const char* name, const QString& title, std::unique_ptr<engine::Database> App::*db);

    // The grid's columns; a list with marks gets the column "In" before them.
    void showColumns(const QList<RecordsetModel::Column>& columns, bool marks);
    // Buttons in the order of the button row; each helper connects its buttons.
    QPushButton* button(const char* name, const QString& caption);
    void editButtons(bool withAdd);
    void markButtons();
    QPushButton* printButton(const char* name, const QString& caption);
    // "Xuất Excel" (Alt+E), placed after the print button.
    QPushButton* exportButton();
    void closeButton();
    // The position box, "position/count", with Enter moving to a typed position.
    void positionBox();
    // The margin box and its caption, then the buttons; or the buttons alone.
    QHBoxLayout* buttonRow(bool withMargin);
    // The last step of building: Enter on buttons, the Tab order (the grid, `panel`, the margin,
    // the buttons, the position box), the data source's events, viewing, the window's size.
    void finish(const QList<QWidget*>& panel, const QSize& size);

    // The rows given become the list's, read on the list's file with `statement` from `table`
    // (`clause`: the search's condition), none marked yet, viewing, the first row current.
    void showRows(const QString& statement, const QString& table, const QString& clause, bool fromSearch,
                  std::unique_ptr<engine::Recordset> rows);
    // The rows read again, on the row `id` when it is still listed (else the first row).
    void reread(qlonglong id);
    void goToId(qlonglong id);
    qlonglong currentId() const;
    engine::Database& db() const { return *(app_.*db_); }
    // Back to the register the list came from, as `comeBack` brings it, on the row `id` when the
    // list showed the register's table `registerTable`.
    bool backTo(const QString& registerTable, qlonglong id, const std::function<void(qlonglong)>& comeBack);
    void setMode(const QString& mode);
    void returnToViewing();
    // "Huỷ nạp", "Huỷ sửa", a "no" to the keep question: the row as the file holds it.
    void cancelEditing();

    App& app_;
    Modes modes_;
    Printing print_;
    WayBack back_;
    QString dataErrorPrefix_;           // before the engine's description in a data error
    QWidget* homeField_ = nullptr;      // focus while adding or correcting, and after
    QWidget* keptFocus_ = nullptr;      // focus after "no" to the delete question
    QWidget* deletedFocus_ = nullptr;   // focus after a delete
    QString finishFirst_;               // said at "Xoá" while editing (else it is not offered)
    QList<QWidget*> viewingOnly_;       // enabled only while viewing
    QList<QWidget*> editingOnly_;       // enabled only while adding or correcting
    QList<QWidget*> panel_;             // the panel's text boxes, read-only while viewing
    QString statement_, table_, clause_;
    bool fromSearch_ = false;
    PrintMarks marks_;
    QString mode_;

    // ---- The points where lists differ ----------------------------------------------------
    // The default of these two is the edit mode's: the keep question, and the row kept or dropped.
    virtual bool finishPanel();
    virtual bool leaveRow();
    // Whether the panel holds a change worth writing.
    virtual bool panelChanged() const { return Data1->AnyChanged(); }
    // What leaving the focused box does, before a save looks at the panel; false when refused.
    virtual bool settleFocus() { return true; }
    // The checks before a write; false (having said why) refuses it.
    virtual bool readyToSave() { return true; }
    // Writes the panel into the current row of table_; false when nothing was written.
    virtual bool writePanel() { return false; }
    virtual void saved(bool added, long position, bool reread);
    virtual bool deleteCurrent() { return false; }
    virtual void correctionStarting() {}
    virtual void modeSet(bool /*viewing*/) {}
    // A key released in `field` while adding or correcting.
    virtual void panelKey(QWidget* /*field*/, QKeyEvent* /*key*/) {}
    // Leaving `field` while adding or correcting; false when what it holds was refused.
    virtual bool fieldLeft(QWidget* /*field*/) { return true; }
    // A check's message is being shown: the focus moves it causes check nothing.
    virtual bool checking() const { return false; }
    // The statement printed or kept for printing.
    virtual QString printStatement() const { return statement_; }
    // What is said when the template `path` is missing; empty: the print goes on to say it.
    virtual QString missingTemplate(const QString& /*path*/) const { return {}; }
    // The register the list came from, brought back; false when there is none.
    virtual bool backToRegister(qlonglong /*id*/) { return false; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool finishEditing();
    bool save(bool reread);
    void applyRights();
    void changeMarks(const std::function<void()>& change);
    long fillPrint();

    std::unique_ptr<engine::Database> App::*db_;
    QList<QPushButton*> buttons_;
};

}  // namespace korvane
