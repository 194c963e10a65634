// Moving an office between data files in a folder and a server: every table of its shared data
// files (all years, the reference lists, the users), their saved queries and counters, copied
// into a place that holds none of them, compared row for row, and only then given their names.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace korvane {

// The shared data files of an office: documents, plans and calendar, and the reference file
// beside them.
struct OfficeFiles {
    QString documents, plans, reference;
    QStringList all() const { return {documents, plans, reference}; }
};

// The office kept by the server database `address` ("postgresql://server/office"):
// address#zeltcv, address#zeltlich and address#zelttk.
OfficeFiles OfficeOnServer(const QString& address);
// The office kept in `folder`: zeltcv.mdb, zeltlich.mdb and zelttk.mdb.
OfficeFiles OfficeInFolder(const QString& folder);
// The office a program folder works on, by its settings (the local data files when it has none).
OfficeFiles CurrentOffice(const QString& appFolder);

// Told of each step: what is being copied or compared, and how far the copy is (of `total`).
using CopyProgress = std::function<void(const QString& step, int done, int total)>;

struct CopyOutcome {
    bool done = false;
    QString text;  // what was copied, or why nothing was
};

// Copies the office `from` into `to`. A place that holds any of `to`'s files with data is
// refused; a copy that fails or differs from its source leaves nothing of itself under `to`'s
// names (nor beside them, by the next copy's start).
CopyOutcome CopyOffice(const OfficeFiles& from, const OfficeFiles& to, const CopyProgress& progress = {});

// The office kept at `place`: a server database's address or a folder.
OfficeFiles OfficeAt(const QString& place);
// CopyOffice into the office at `place`; a folder is made for it when missing, and goes again
// when the copy is not made.
CopyOutcome CopyOfficeInto(const OfficeFiles& from, const QString& place, const CopyProgress& progress = {});

// `korvane --copy-to-server ADDRESS` and `korvane --copy-to-files FOLDER`, each with an optional
// `--from PLACE`: the office of the program folder (or at PLACE) copied, its steps written to
// standard output. Returns the exit status, or -1 when `arguments` asks for neither.
int RunCopyCommand(const QStringList& arguments, const QString& appFolder);

}  // namespace korvane
