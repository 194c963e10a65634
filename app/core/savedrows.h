// Rows that record who saved them last (plans and calendar entries): the saver's stamps, and
// writing or deleting under the rule that staff with the rights "CB" change only the rows they
// saved themselves, checked against the file inside the write.
#pragma once

#include <QString>

namespace korvane {

class App;
class BoundLineEdit;
class DataSource;

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
