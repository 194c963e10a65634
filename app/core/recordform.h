// The record form: one record of a register at a time, in three modes (viewing, adding,
// correcting), with the status caption, the button states, the required-field check, the
// carry-over values, new/correct/cancel/save/delete, the keep question, the position box, the
// editing keys, the pick grids and lists, the hand-over to other windows and the data-error
// message. A register window builds its fields and declares what differs; the behaviour they
// share lives here. The document registers add the numbered record (the number box, the backup
// marks, printing by date); the plan and calendar registers write rows stamped with their saver.
#pragma once

#include "app.h"
#include "formkit.h"
#include "savedrows.h"

#include <QWidget>

#include <functional>
#include <map>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;

namespace korvane {

class App;

// A register's fields as rows on a grid of four columns (label, box, label, box): each box with
// its label, whose buddy it is, from column 0 or 2 and over `span` columns. A cell may be a
// layout (a box with its pick list beside it); `buddy` is then the box the label stands for.
class FieldGrid {
public:
    explicit FieldGrid(QWidget* owner);
    FieldGrid& add(const QString& caption, QWidget* box, int column = 0, int span = 1);
    FieldGrid& add(const QString& caption, QWidget* buddy, QLayout* cell, int column = 0, int span = 1);
    // The next row.
    FieldGrid& next();
    QGridLayout* layout;
    int row = 0;

private:
    QWidget* owner_;
};

class RecordForm : public QWidget, public DataWindow {
    Q_OBJECT
public:
    RecordForm(App& app, QWidget* mainWindow);
    ~RecordForm() override;

    // The register of kind `name` (its form name), from the window owner: the one open shown
    // again as the clerk left it; otherwise opened over `table` of `db` on its last record.
    template <class Form>
    static Form* ShowRegister(App& app, const QString& name, engine::Database* db, const QString& table)
    {
        Form* open = app.Owner().Find<Form>(name);
        Form* form = open ? open : app.Owner().Get<Form>(name);
        static_cast<RecordForm*>(form)->present(open != nullptr, db, table);
        return form;
    }

    DataSource* Data1;
    QLabel* lbltrangthai;
    QLineEdit* mrecnum;
    QLabel* lblhuongdan;
    QPushButton *cmdAdd, *Cmdsua, *cmdUpdate, *Cmdtracuu, *cmdclose;
    // The number, the backup mark and the old key of a document register (null elsewhere).
    BoundLineEdit *mstt = nullptr, *mkieuupdate = nullptr, *midcu = nullptr;
    QPushButton* Cmdin = nullptr;      // printing by date, in the document registers
    QPushButton* cmdDelete = nullptr;  // in the registers that delete
    DBCombo* DBComboloai = nullptr;    // the list of types

    // The operations of the buttons.
    void StartNew();
    bool Save();
    void Correct();
    void Delete();
    void GoToSearch();
    void Print();
    void CloseRegister();
    // The step run before the current record changes; false when the record is to stay.
    bool ValidateLeaving();
    // The register shown again as the clerk left it: a record being added or corrected stays so.
    void ShowAgain();
    // Back from a list or a search: the rows are read again, the row with this id (when above 0)
    // becomes current, and the register is shown.
    void ComeBack(qlonglong id);
    // Before the files change: the record being typed is kept (saved) or dropped as the clerk
    // answers, and the register closes as "Kết thúc" closes it (the backup).
    bool ReleaseData() override;

    // The shared lists of the pick grids and expansions: senders and recipients, units, types.
    engine::Recordset* Senders() const { return senders_.get(); }
    engine::Recordset* Units() const { return units_.get(); }
    engine::Recordset* Types() const { return types_.get(); }
    // What this register is doing ("xemcv", "napcv", "suacv"). Other windows change the shared
    // FormMode as they open; this window's mode is its own.
    const QString& Mode() const { return mode_; }
    // The year table this register shows.
    const QString& Table() const { return table_; }

protected:
    // ---- What a register declares ---------------------------------------------------------
    struct Modes {
        QString view, add, edit;                      // "xemcv", "napcv", "suacv"
        QString viewCaption, addCaption, editCaption;  // the status captions
    };
    struct DateBox {
        BoundLineEdit* box;
        BoundLineEdit* normal;  // the yyyymmdd twin
    };
    struct Expansion {
        QWidget* field;
        std::function<engine::Recordset*()> list;
        QString column;
        bool onKeys = true;   // on every released key while adding or correcting
        bool onLeave = true;  // with the leave code when the field is left
    };
    // A refusal's message while adding and while correcting; an empty one refuses silently.
    struct Refusal {
        QString adding, correcting;
    };
    // A pick list beside its field: Alt+Down in the field opens it.
    struct DropList {
        QWidget* field;
        DBCombo* list;
    };
    struct Pick {
        DBGrid* grid;
        bool units;            // the unit list; otherwise the senders and recipients
        BoundLineEdit* field;  // gets the picked names, joined by ", "
        QWidget* focusAfter;   // where a pick sends the focus; null: the grid keeps it
        bool backToFieldOnHide;
    };

    Modes modes_;
    QString table_;                       // the register's year table
    QString searchWindow_;                // the opener of its search window
    QList<BoundField*> editable_;         // unlocked while adding or correcting
    QList<QPair<BoundField*, QString>> required_;  // with their names in the message
    QStringList changeColumns_;           // a change of these makes a record worth saving
    QStringList carryColumns_;            // the carry-over values (F6 and new records)
    QWidget* homeField_ = nullptr;        // focus for a new record and after viewing returns
    QWidget* requiredFocus_ = nullptr;    // focus when required fields are missing
    QWidget* correctFocus_ = nullptr;     // focus when correcting starts
    QWidget* notNowFocus_ = nullptr;      // focus after "Sửa" while adding or correcting
    QWidget* afterSaveFocus_ = nullptr;   // focus after a save, when it differs from homeField_
    QList<DateBox> dates_;
    QString dateMessage_;
    QList<Expansion> expansions_;
    QList<Pick> picks_;                   // in the order Esc looks at them
    QList<DropList> dropLists_;
    bool numberOpenWhileEditing_ = false;  // mstt is unlocked (still grey) as soon as adding or correcting starts
    QList<QPushButton*> viewingOnly_;     // buttons offered only while viewing (besides the search)
    QString searchMode_;                  // the FormMode the search opens with; empty: this register's mode
    Refusal searchRefused_, deleteRefused_;
    QString dataErrorText_ = QStringLiteral("Lỗi dữ liệu : ");
    QString positionCaption_ = QStringLiteral("Vị trí hiện tại :");
    QString helpTitle_;

    // A register whose rows record their saver (plans, calendar) hands its fields to the form,
    // which then asks them what changed, checks, writes, deletes and does with keys. Those
    // registers also treat a record being typed their own way: "Nạp mới" reads "&Huỷ nạp" while
    // adding and gives the record up; no paging and no position box while typing; F6 with an
    // empty carry-over value empties the field; "Sửa" and "Huỷ sửa" read the rows again, so that
    // the rights follow the file.
    void savedRows(SavedRowFields* fields);

    // Builds the common controls; the register lays out its fields and then calls finishLayout.
    BoundLineEdit* line(const char* column, int limit);
    BoundTextEdit* text(const char* column, int limit);
    QPushButton* button(const char* name, const QString& caption);
    DBGrid* pickGrid(const char* name);
    // The numbered record of a document register: the number box and its "Số mới" button
    // (`newNumber`), the backup columns, the type list, printing by date and the help text.
    void numbered(QPushButton* newNumber);
    // `buttons`: the button row, in order; those of the register's own are connected by it.
    void finishLayout(QLayout* fields, const QList<QPushButton*>& buttons, const QList<QWidget*>& tabOrder);
    // Opens the data source over the year table and the lists; the last record is current.
    void openRegister(engine::Database* db, const QString& table);
    // Hides the register and opens another window with `open` (the FormMode set to `mode`); a
    // failure to open it is said and the register comes back.
    void handOver(const QString& mode, const std::function<void()>& open);
    void handOver(const QString& opener, const QString& mode);

    // ---- The points where registers differ ------------------------------------------------
    // The last record before a new one starts (or none): what the defaults need from it.
    virtual void rememberLast(bool hasLast) = 0;
    // The defaults of the record just begun (adding mode is already set).
    virtual void newRecordDefaults() = 0;
    // The lists the register reads as it opens (the pick lists); a failure is said by `dataError`.
    virtual void openLists();
    // The carry-over values taken from the current row.
    virtual void takeCarryOver();
    // Whether the record as typed differs from the file's (a new one always does by default).
    virtual bool changed() const;
    // The required fields filled; otherwise says which are not.
    virtual bool requiredFilled();
    // What the register requires of a record before it is written, beside the required fields;
    // false (having said why) refuses the save.
    virtual bool readyToSave();
    // Writes the record; false when nothing was written (the reason said). By default with the
    // backup marks and `saveCheck`.
    virtual bool write(bool adding);
    // A check run inside the save's write transaction (see DataSource::UpdateRecord).
    virtual std::function<void()> saveCheck(bool adding);
    // After a save has written the record.
    virtual void saved(bool added, bool numberProposed);
    // Whether the user may correct or delete the current row, as the register last read it.
    virtual bool mayChangeCurrent() const;
    // Deletes the current row (after the clerk's "yes"); the register's rules decide.
    virtual void deleteCurrent();
    // After the save's check refused the write (the record stays as it is, in its mode).
    virtual void writeRefused() {}
    virtual void correctionStarted() {}
    // A key released while adding or correcting that this register handles itself, before the
    // form's own F4, F5, F6 and expansions; true when it did.
    virtual bool registerKey(QWidget* field, int code, bool shift);
    // What leaving a field does besides its date check and expansion; false when it refused
    // (after saying why), so that a button pressed from that field stops there.
    virtual bool fieldLeftExtra(QWidget* field);
    virtual void fieldEntered(QWidget* field);
    // A type chosen in the list part of the type list while adding or correcting.
    virtual void typeChosen(const QString& type);
    // Opens the print-by-date window for the current record.
    virtual void openPrint() {}
    // The work of closing (the backup), with the busy pointer shown.
    virtual void closing() {}

    // ---- Shared pieces the registers use --------------------------------------------------
    App& app_;
    bool editing() const;
    void setSttEditable(bool editable, bool focus);
    const std::map<QString, QString>& carry() const { return carry_; }
    // The backup mark and the copy of the key that a save writes beside the fields.
    QList<QPair<QString, QVariant>> backupMarks(int mark) const;
    // A date text checked and shown in display form; false (after the register's message) when
    // it is not a date.
    bool checkDate(BoundLineEdit* box);
    void dataError(const QString& description);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void present(bool wasOpen, engine::Database* db, const QString& table);
    // The keep question, then the register's closing work and the main window shown; false
    // when the clerk goes on with the record.
    bool finishWork();
    void setMode(const QString& mode);
    void showRights();
    // Adding or correcting: the refusal said (when it has a text) and true.
    bool refusedWhileEditing(const Refusal& refusal);
    void returnToViewing();
    void openDocumentLists();
    bool settleFocusedField();
    void setNormalDates();
    void showPosition();
    void jumpToPosition();
    void keyReleased(QWidget* field, QKeyEvent* event);
    bool fieldLeft(QWidget* field);
    void stepDate(BoundLineEdit* box, int delta);
    void pick(const Pick& p, int row);
    void lockFields(bool locked);
    void showGrid(DBGrid* grid, QWidget* field);

    QWidget* main_;
    QString mode_;
    QPushButton* newNumber_ = nullptr;
    QList<QPushButton*> buttons_;
    std::unique_ptr<engine::Recordset> senders_, units_, types_;
    std::map<QString, QString> carry_;  // carry-over texts by column
    SavedRowFields* rows_ = nullptr;
    bool checkingDate_ = false;
    bool closing_ = false;
};

// A correction is written with the backup mark 2 ("copy this change"), except that a row the
// backup has not copied yet (1) keeps its 1. The returned check reads the mark inside the write's
// transaction (after `then`, the window's own check), so that another clerk's backup resetting
// it meanwhile is seen.
std::function<void()> KeepingUncopiedMark(DataSource& source, const QString& table, qlonglong id, std::function<void()> then = {});

}  // namespace korvane
