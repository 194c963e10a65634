// The modal service of the tests: it records every text shown, answers questions from a script,
// and drives modal windows (type, click) through drivers chosen by the window's object name.
// Messages are shown in the real message dialog and answered by clicking its buttons.
#pragma once

#include "app.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>

namespace testing_support {

class ScriptedModal : public korvane::ModalService {
public:
    struct Shown {
        QString text, mode;
    };
    std::vector<Shown> messages;     // the message dialog
    int busyMessages = 0;            // messages of either kind shown with the hourglass on
    QStringList systemMessages;      // the system message box
    QStringList documents;           // help pages opened
    std::deque<QString> answers;     // "yes" / "no" / "esc" (no answer) for questions; "no" when the script runs out
    std::map<QString, std::function<void(QDialog&)>> drivers;  // by the dialog's object name
    std::function<void(QDialog&)> anyDriver;  // for a dialog without a driver of its own
    QStringList modalWindows;        // object names of the windows run modally
    bool documentsOpen = true;

    void message(korvane::App& app) override;
    std::unique_ptr<QWidget> notice(korvane::App& app) override;
    void systemMessage(const QString& title, const QString& text) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return fileToSave; }
    QString fileToSave;  // what the save dialog answers
    int runModal(QDialog& dialog) override;
    bool openDocument(const QString& path) override;
    korvane::ReportTarget reportDestination() override { return reportTarget; }
    korvane::ReportTarget reportTarget = korvane::ReportTarget::Pdf;

    QStringList messageTexts() const;
    QString fileToOpen;  // what the file dialog answers
    std::deque<QString> filesToOpen;  // answered first, one per dialog shown
    int fileDialogs = 0;              // file dialogs shown
};

// A driver for the login dialog: types the name and password and presses the continue button
// `times` times.
std::function<void(QDialog&)> LoginAs(const QString& name, const QString& password, int times = 1);

}  // namespace testing_support
