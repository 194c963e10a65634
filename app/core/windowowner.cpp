#include "windowowner.h"

#include "app.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace korvane {

WindowOwner::~WindowOwner() { EndAll(); }

void WindowOwner::Register(const QString& name, Factory make) { factories_[name] = std::move(make); }

void WindowOwner::SetMainWindow(QWidget* window)
{
    main_ = window;
    if (window) windows_[window->objectName()] = window;
}

QWidget* WindowOwner::Find(const QString& name) const
{
    if (const auto it = running_.find(name); it != running_.end() && it->second) return it->second.data();
    const auto it = windows_.find(name);
    return it == windows_.end() ? nullptr : it->second.data();
}

QWidget* WindowOwner::Get(const QString& name)
{
    if (QWidget* window = Find(name)) return window;
    const auto make = factories_.find(name);
    if (make == factories_.end()) qFatal("korvane: no window of the kind %s is registered", qPrintable(name));
    QWidget* window = make->second(app_);
    if (window->objectName().isEmpty()) window->setObjectName(name);
    windows_[name] = window;
    return window;
}

int WindowOwner::RunModal(const QString& name, const std::function<void(QDialog&)>& prepare)
{
    const auto make = factories_.find(name);
    if (make == factories_.end()) qFatal("korvane: no window of the kind %s is registered", qPrintable(name));
    std::unique_ptr<QWidget> window(make->second(app_));
    auto* dialog = qobject_cast<QDialog*>(window.get());
    if (!dialog) qFatal("korvane: the window of the kind %s is no dialog", qPrintable(name));
    if (dialog->objectName().isEmpty()) dialog->setObjectName(name);
    // Kept apart from the windows that are ended with the data files: the run that shows it
    // ends it, not the data files changing under a question.
    const QPointer<QWidget> earlier = running_[name];
    running_[name] = dialog;
    if (prepare) prepare(*dialog);
    const int result = app_.modal().runModal(*dialog);
    if (running_[name] == dialog) running_[name] = earlier;
    if (!running_[name]) running_.erase(name);
    return result;
}

void WindowOwner::Present(QWidget* window)
{
    if (!window) return;
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* WindowOwner::Present(const QString& name)
{
    QWidget* window = Get(name);
    Present(window);
    return window;
}

void WindowOwner::Hide(const QString& name)
{
    if (QWidget* window = Find(name)) window->hide();
}

void WindowOwner::End(const QString& name)
{
    const auto it = windows_.find(name);
    if (it == windows_.end() || it->second == main_) return;
    const QPointer<QWidget> window = it->second;
    windows_.erase(it);
    delete window.data();
}

bool WindowOwner::ReleaseData()
{
    for (auto& [name, window] : windows_) {
        if (!window || window == main_) continue;
        if (auto* work = dynamic_cast<DataWindow*>(window.data()); work && !work->ReleaseData()) {
            Present(window);
            return false;
        }
    }
    return true;
}

bool WindowOwner::CloseDataWindows()
{
    // First every window settles its work, while all of them still have their files; one that
    // keeps a record stops the change before anything is ended.
    if (!ReleaseData()) return false;
    EndAll();
    return true;
}

void WindowOwner::EndAll()
{
    std::vector<QPointer<QWidget>> ending;
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second && it->second == main_) {
            ++it;
            continue;
        }
        ending.push_back(it->second);
        it = windows_.erase(it);
    }
    for (const QPointer<QWidget>& window : ending) delete window.data();  // null when it went with a parent
}

}  // namespace korvane
