// The organisation's own name and that of the body above it, printed in the headings of reports.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane {

class App;

class frmtendonvi : public QDialog {
    Q_OBJECT
public:
    explicit frmtendonvi(App& app, QWidget* parent = nullptr);

    // "Kết thúc": the first row of the table takes the two names (a table without rows stays
    // empty) and the window closes. False when the file failed: the window stays open.
    bool CloseWindow();

    QLineEdit *Txttendonvi, *Txttencaptren;
    QLabel* Label1;
    QPushButton* cmdclose;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;  // Esc and the window's frame

private:
    App& app_;
    bool loaded_ = false;  // the names were read: only then are they written back
    bool hasRow_ = false;
    QStringList shown_;  // the names as read, to tell whether they were changed
};

}  // namespace korvane
