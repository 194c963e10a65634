// Incremental backup of a document register into the backup file.
#pragma once

#include <QString>

namespace korvane {

class App;

// Kind "cvdi": the outgoing register; anything else: the incoming register. Copies the rows
// written since this backup file's last copy into it and marks them backed up, in one
// transaction over both files: every backup file receives every change, whichever clerk's backup
// runs first, and a row copied again updates its copy rather than adding a second one.
void BackupRegister(App& app, const QString& kind);

}  // namespace korvane
