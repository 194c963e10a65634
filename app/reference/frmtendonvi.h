// The organisation's own name and that of the body above it, printed in the headings of reports.
#pragma once

#include <QDialog>

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
    void reject() override;  // the window's frame: as "Kết thúc"

private:
    App& app_;
    bool loaded_ = false;  // the names were read: only then are they written back
    bool hasRow_ = false;
};

}  // namespace korvane
