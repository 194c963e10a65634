// Each test that touches data files works in a temporary folder of its own, on fresh copies
// of the built template.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

namespace korvane {
class App;
}

namespace testing_support {

// The engine a test runs on: a data file in a folder, or the same data kept on a server.
enum class Backend { File, Server };
template <class Info>
std::string backendName(const Info& info)
{
    return info.param == Backend::File ? "File" : "Server";
}

class TempFolder {
public:
    TempFolder();
    QString path(const QString& name) const;
    // A writable byte copy of the template under `name`.
    QString copyTemplate(const QString& name) const;
    const QString& root() const { return root_; }

private:
    QTemporaryDir dir_;
    QString root_;
};

QString templatePath();

// The PostgreSQL server of this run (KORVANE_TEST_PG, set by with_server.sh to a throwaway
// cluster); empty when the run has none and the server cases are skipped.
QString TestServer();
inline constexpr const char* kNoServer = "no PostgreSQL server in this run: the server case runs in the ctest entries "
                                         "ending in _on_server (tests/support/with_server.sh)";
// A new data file on the test server holding a copy of the file at `path`: its name.
QString ServerCopyOf(const QString& path);
// A new, empty database on the test server, for a whole office: its address.
QString NewServerDatabase();
// Moves a started program's shared data (documents, plans and calendar, the shared reference
// lists) onto the test server: each file copied into a data file there, and the program then
// works on the copies as if it had been started on the server.
void MoveOfficeToServer(korvane::App& app);
// Points another started program at the data the first one works on.
void JoinOffice(korvane::App& app, const korvane::App& first);

// The cells of a spreadsheet file, row by row, as a reader no one here wrote sees them: openpyxl
// for ".xlsx", Python's csv module otherwise. A date cell of a workbook reads "D:yyyy-mm-dd", an
// empty cell "". `widths` gets the widths of a workbook's columns. Fails the test when the reader
// fails.
QList<QStringList> ReadSpreadsheet(const QString& path, QList<double>* widths = nullptr);

}  // namespace testing_support
