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

}  // namespace testing_support
