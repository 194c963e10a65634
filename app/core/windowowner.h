// The one owner of the program's windows. It makes the window of each kind, by its form name
// ("frmcvden", "frmgridcvden", "frmtracuukh", ...), through the factory registered for that name,
// keeps it, shows and hides it, and ends it. A window that needs another asks the owner for it and
// never makes one itself; each subsystem registers the factories of its kinds at start.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>

class QDialog;

namespace korvane {

class App;

class WindowOwner {
public:
    // Makes a window of one kind; the owner keeps it from then on.
    using Factory = std::function<QWidget*(App&)>;

    explicit WindowOwner(App& app) : app_(app) {}
    // Ends every window it holds.
    ~WindowOwner();
    WindowOwner(const WindowOwner&) = delete;
    WindowOwner& operator=(const WindowOwner&) = delete;

    // How the window of kind `name` is made.
    void Register(const QString& name, Factory make);

    // The main window, made and kept by whatever started the program: handed out under its name
    // and presented like the others, never ended here.
    void SetMainWindow(QWidget* window);
    QWidget* MainWindow() const { return main_.data(); }

    // The window of that kind, or null when none is made (or the one made has ended).
    QWidget* Find(const QString& name) const;
    template <class W>
    W* Find(const QString& name) const
    {
        return qobject_cast<W*>(Find(name));
    }
    // The window of that kind, made by its factory when there is none. Asking for a kind nobody
    // registered is a fault of the program, and ends it.
    QWidget* Get(const QString& name);
    template <class W>
    W* Get(const QString& name)
    {
        return qobject_cast<W*>(Get(name));
    }
    // A dialog of that kind, made for one run: `prepare` fills it, the modal service runs it, and
    // it ends when the run is over. While it runs it is the window of its kind. Returns the
    // dialog's result code.
    int RunModal(const QString& name, const std::function<void(QDialog&)>& prepare = {});

    // Shows a window above the others, with the keyboard.
    static void Present(QWidget* window);
    // The window of that kind (made when there is none), presented.
    QWidget* Present(const QString& name);
    void Hide(const QString& name);
    // Ends the window of that kind; the next one asked for is made afresh.
    void End(const QString& name);

    // Every window that holds a clerk's work settles it (DataWindow::ReleaseData). False, with
    // that window shown, when a clerk chose to go on working there.
    bool ReleaseData();
    // Before the data files or the working year change: every window settles its work, then every
    // one but the main window ends, so that none outlives the files it reads. False, with every
    // window kept, when a clerk chose to go on with a record.
    bool CloseDataWindows();
    // Every window but the main window ended, without asking (the program is ending).
    void EndAll();

private:
    App& app_;
    std::map<QString, Factory> factories_;
    std::map<QString, QPointer<QWidget>> windows_;
    std::map<QString, QPointer<QWidget>> running_;  // the dialogs RunModal is running
    QPointer<QWidget> main_;
};

}  // namespace korvane
