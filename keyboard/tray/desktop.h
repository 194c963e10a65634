// The desktop's side of the tray program: its notification area, its input-method framework
// (fcitx5, over D-Bus), the one-copy rule and the socket on which the keyboard reports.
#pragma once

#include "trayprogram.h"

#include <QLocalServer>
#include <QLockFile>
#include <QSocketNotifier>

#include <memory>

namespace kesmir::tray {

class SystemIconArea : public IconArea {
    Q_OBJECT
public:
    SystemIconArea();
    bool Show(bool vietnamese) override;
    void Update(bool vietnamese) override;
    void Hide() override;

private:
    QSystemTrayIcon icon_;
};

// Our input method "kesmir" in the running fcitx5: put in the current group (when it is not
// there already) and made current in every window, also in those opened later (fcitx5's input
// state shared by all windows); group and sharing put back as they were found, also after a copy
// of the program that ended without unloading.
class Fcitx5Hooks : public Hooks {
public:
    bool Install() override;
    void Remove() override;

private:
    QString addedTo_;    // the group we put it into, when it was not there
    QString sharedWas_;  // fcitx5's shared input state before we shared it, when it was not "All"
};

// One copy per user: the first holds a lock and listens; a later one finds the lock held, asks
// the first to come forward and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // False when another copy runs (it has been asked to come forward).
    bool Claim();

signals:
    void broughtForward();

private:
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

// The datagram socket the keyboard writes to ("3002" after the toggle key); any of the main
// window's commands may come this way.
class CommandSocket : public QObject {
    Q_OBJECT
public:
    ~CommandSocket() override;
    bool Listen();

signals:
    void command(int id);

private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray path_;
};

}  // namespace kesmir::tray
