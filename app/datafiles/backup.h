// Incremental backup of a document register into the backup file.
#pragma once

#include <QString>

namespace korvane {

class App;

// Kind "cvdi": the outgoing register; anything else: the incoming register. Copies the rows
// added or changed since the last backup into the backup file and marks them backed up. A row's
// mark is reset only in the same transaction that copies it, so no row is lost or copied twice.
void BackupRegister(App& app, const QString& kind);

}  // namespace korvane
