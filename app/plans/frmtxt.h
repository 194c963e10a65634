// The enlarged text window: a long text of a register in one big box. F4 empties it and
// abbreviations expand as in the register; when it closes, a changed text goes back to the
// register's box.
#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

namespace korvane {

class App;
class BoundTextEdit;

class frmtxt : public QWidget {
    Q_OBJECT
public:
    explicit frmtxt(App& app);

    // Shows `text` in the box. `editable`: the register is adding or correcting; otherwise the
    // text can only be read. When the window closes, `closed` gets the text if it was changed
    // (null otherwise).
    void Edit(const QString& text, bool editable, std::function<void(const QString* changed)> closed);

    // Refuses, as the register's box does, a change that would bring in a character the data
    // file cannot hold, so that what comes back is always written.
    BoundTextEdit* Text1;
    QPushButton* cmdclose;  // "Kết thúc", as Esc

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    App& app_;
    QString original_;
    std::function<void(const QString*)> closed_;
};

}  // namespace korvane
