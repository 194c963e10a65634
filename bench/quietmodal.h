// What the window benchmarks share: a modal service that answers every question at once and asks
// no one anything, and a copy of the built template to work on.
#pragma once

#include "app.h"

#include <QDialog>
#include <QFile>

namespace bench {

class QuietModal : public korvane::ModalService {
public:
    QString answer = QStringLiteral("no");  // to every question of the message dialog
    QString file;                           // what the file dialog answers
    void message(korvane::App& app) override { app.MsgResult = answer; }
    std::unique_ptr<QWidget> notice(korvane::App&) override { return nullptr; }
    void systemMessage(const QString&, const QString&) override {}
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return file; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    int runModal(QDialog& d) override { return d.result(); }
    bool openDocument(const QString&) override { return false; }
    // A print stops at the question, once its rows are ready.
    korvane::ReportTarget reportDestination() override { return korvane::ReportTarget::Cancel; }
};

// A fresh copy of the template at `path`, writable.
inline QString CopyTemplate(const QString& path)
{
    QFile::remove(path);
    QFile::copy(QStringLiteral(KORVANE_TEMPLATE), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

}  // namespace bench
