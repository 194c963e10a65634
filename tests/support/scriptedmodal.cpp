#include "scriptedmodal.h"

#include "frmlogin.h"
#include "frmtbao.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace testing_support {

namespace {

bool hourglass() { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; }

}  // namespace

void ScriptedModal::message(korvane::App& app)
{
    messages.push_back({app.MsgText, app.MsgMode});
    if (hourglass()) ++busyMessages;
    korvane::frmtbao dialog(app);
    dialog.show();
    QPushButton* button = dialog.cmdok;
    if (app.MsgMode.compare(QLatin1String("yesno"), Qt::CaseInsensitive) == 0) {
        const QString answer = answers.empty() ? QStringLiteral("no") : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (answer == QLatin1String("esc")) {  // closed with Esc: no answer at all
            // As a real key: the release goes wherever the focus is once the press is handled,
            // the window behind when the press closed the dialog.
            QTest::keyPress(&dialog, Qt::Key_Escape);
            QWidget* focus = dialog.isVisible() ? &dialog : QApplication::focusWidget();
            if (focus) QTest::keyRelease(focus, Qt::Key_Escape);
            return;
        }
        button = answer == QLatin1String("yes") ? dialog.cmdyes : dialog.cmdno;
    }
    EXPECT_TRUE(button->isVisible()) << "the button to answer with is hidden: " << app.MsgText.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

std::unique_ptr<QWidget> ScriptedModal::notice(korvane::App& app)
{
    messages.push_back({app.MsgText, app.MsgMode});
    auto dialog = std::make_unique<korvane::frmtbao>(app);
    dialog->show();
    return dialog;
}

void ScriptedModal::systemMessage(const QString&, const QString& text)
{
    systemMessages.append(text);
    if (hourglass()) ++busyMessages;
}

QString ScriptedModal::openFileName(QWidget*, const QString&, const QString&, const QString&)
{
    ++fileDialogs;
    if (filesToOpen.empty()) return fileToOpen;
    const QString file = filesToOpen.front();
    filesToOpen.pop_front();
    return file;
}

int ScriptedModal::runModal(QDialog& dialog)
{
    modalWindows.append(dialog.objectName());
    dialog.show();
    const auto it = drivers.find(dialog.objectName());
    if (it != drivers.end()) it->second(dialog);
    else if (anyDriver) anyDriver(dialog);
    if (dialog.isVisible()) dialog.reject();  // a window nobody drove is closed as by its frame
    return dialog.result();
}

bool ScriptedModal::openDocument(const QString& path)
{
    documents.append(path);
    return documentsOpen;
}

QStringList ScriptedModal::messageTexts() const
{
    QStringList texts;
    for (const Shown& s : messages) texts.append(s.text);
    return texts;
}

std::function<void(QDialog&)> LoginAs(const QString& name, const QString& password, int times)
{
    return [=](QDialog& dialog) {
        auto& login = static_cast<korvane::frmlogin&>(dialog);
        for (int k = 0; k < times && login.isVisible(); ++k) {
            login.txtUserName->setText(name);
            login.txtPassword->setText(password);
            QTest::mouseClick(login.cmdok, Qt::LeftButton);
        }
    };
}

}  // namespace testing_support
