// Who may change a row: the rule on the name of the user who saved it last, both as the window
// read the row and as the file holds it inside a write.
#pragma once

#include <QString>

#include <functional>

namespace engine {
class Database;
}

namespace korvane {

class App;

// The name a user without a name of their own works under ("Một người ..."): their saves leave the
// saver's name empty.
bool UnnamedUser(const QString& name);
// Staff with the rights "CB" change only the rows they saved last, or that nobody has saved.
bool MayChangeSavedBy(const App& app, const QString& lastSaver);
// The same rule checked inside a write's transaction against the row `id` of `table` as the file
// holds it (another clerk may have saved it since it was read): throws WriteRefused and sets
// `refused` when the row is not the user's to change.
std::function<void()> SaverRightsCheck(App& app, engine::Database& db, const QString& table, qlonglong id, bool& refused);

}  // namespace korvane
