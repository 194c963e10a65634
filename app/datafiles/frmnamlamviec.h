// The working-year window: the years of the document file's registers, newest first, or a year
// typed in; confirming it switches every register to that year's tables (made from the templates
// when missing), remembers it in the settings file and shows it on the main window.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace korvane {

class App;

class frmnamlamviec : public QDialog {
    Q_OBJECT
public:
    explicit frmnamlamviec(App& app, QWidget* parent = nullptr);

    // Makes the year in the list the working year; false (after the message) when it stays.
    bool Confirm();

    QLabel* Label1;
    QComboBox* Combonamlamviec;
    QPushButton* cmdCancel;

private:
    void fillYears();

    App& app_;
};

// Opens the window modally (the main window's "Chọn năm làm việc" and a double-click on its year).
void ChooseWorkYear(App& app);

}  // namespace korvane
