// Each test that touches data files works in a temporary folder of its own, on fresh copies
// of the built template.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testing_support {

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

}  // namespace testing_support
