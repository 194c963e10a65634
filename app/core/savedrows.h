// Rows that record who saved them last (plans and calendar entries): the saver's stamps, and
// writing or deleting under the rule that staff with the rights "CB" change only the rows they
// saved themselves, checked against the file inside the write.
#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace korvane {

class App;
class BoundLineEdit;
class DataSource;

// The fields of a row that records its saver, as a register and its list's panel both show them:
// what counts as a change, the checks before a save, the stamped write and the delete under the
// "CB" rule, and what the keys and the leaving of a field do while the row is being changed.
class SavedRowFields {
public:
    virtual ~SavedRowFields() = default;
    virtual bool Changed() const = 0;
    // True when the required fields are filled; otherwise says which are not.
    virtual bool RequiredFilled() = 0;
    // The checks made on leaving the boxes, made again before a save (the dates).
    virtual bool ReadyToSave() = 0;
    // Stamps and writes the row into `table`; false when nothing was written (the reason said,
    // what was typed still in the fields).
    virtual bool Write(const QString& table) = 0;
    virtual bool DeleteCurrent(const QString& table) = 0;
    // Whether the user may change the current row, as the window last read it.
    virtual bool MayChangeCurrent() const = 0;
    // A key released in `field` while the row is being changed; true when it was the fields' own.
    virtual bool KeyReleased(QWidget* field, int code, bool shift) = 0;
    // Leaving `field` while changing; false when its check refused it (after saying why).
    virtual bool FieldLeft(QWidget* field) = 0;
    virtual void FieldEntered(QWidget*) {}
    // A check's message is being shown: the focus moves it causes check nothing.
    virtual bool Checking() const = 0;
    // The fields typed into, in the order of entry.
    QList<QWidget*> texts;
};

// The boxes of the stamps: the day of the save (dd/mm/yyyy and yyyymmdd) and the saver's name.
struct SaverStamps {
    BoundLineEdit *savedOn, *savedOnNormal, *savedBy;
};

// The key of the source's current row; 0 when there is none or it is being added.
qlonglong CurrentRowId(const DataSource& source);
// Whether the user may change the source's current row, as the window last read it.
bool MayChangeCurrentRow(const App& app, const DataSource& source);

// Stamps the row and writes it into `table` (a row being added, or the changes of one that
// exists, whose saver in the file is checked first). False when nothing was written: the engine's
// failure was reported by the source, a refusal by the rule is said with `notYours`, and what the
// clerk typed is still in the boxes (or, when another clerk changed the row meanwhile, held by
// the source while the boxes show that clerk's row).
bool WriteStampedRow(App& app, DataSource& source, const QString& table, const SaverStamps& stamps, const QString& notYours);
// Deletes the current row of `table` when the file still lets the user; false when it did not.
bool DeleteCheckedRow(App& app, DataSource& source, const QString& table, const QString& notYours);

}  // namespace korvane
