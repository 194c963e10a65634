// Merging the data of another data file of this program into the current data files: the year
// tables of documents ("cv"), of plans and calendars ("lich"), or the reference lists ("tk").
#pragma once

#include <QString>

namespace engine {
class Database;
}

namespace korvane {

class App;

// The whole procedure behind the three menu items: the administrator check, the file dialog, the
// merge and its messages.
void ImportOldData(App& app, const QString& kind);

// The same after the administrator check (which asks for a password again).
void ImportOldDataChecked(App& app, const QString& kind);

// Adds the rows of `table` of `source` whose key is not yet in `target`'s table, one row per key.
// Returns the number of rows added. Throws the engine's failure; nothing is added then.
long MergeReferenceTable(const QString& table, engine::Database& source, engine::Database& target);

// Sets the openers "mnunhapdulieucv", "mnunhapdulieulich" and "mnunhapbangthamkhao".
void InstallImport(App& app);

}  // namespace korvane
