// Where the program's windows open: inside the screen always, and each window where the clerk
// last left it (its size too), remembered per user across runs.
#pragma once

#include <QObject>
#include <QString>

namespace korvane {

class WindowPlaces : public QObject {
public:
    // `settingsGroup`: the group of the per-user settings that holds the places.
    explicit WindowPlaces(QString settingsGroup = QStringLiteral("WindowPlaces"), QObject* parent = nullptr);

    // The window's geometry moved and shrunk as little as it takes to lie inside `screen`.
    static QRect Inside(const QRect& frame, const QRect& screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString group_;
};

}  // namespace korvane
