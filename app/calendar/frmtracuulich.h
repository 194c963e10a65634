// The calendar search: a year and a condition per field make one SELECT over that year's
// calendar; the calendar grid opens over the entries found.
#pragma once

#include <QWidget>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane {

class App;

class frmtracuulich : public QWidget {
    Q_OBJECT
public:
    explicit frmtracuulich(App& app);
    ~frmtracuulich() override;
    static frmtracuulich* Instance(App& app);

    // Runs the search and opens the grid over what it found (also over nothing); false when it
    // stopped (the reason was said).
    bool Search();
    void ClearConditions();
    // Back to the main window or to the register; the boxes start empty at the next opening.
    void CloseSearch();
    // Offers the years of the calendar tables as they are now; the year chosen stays chosen
    // while it is one of them (at first: the working year).
    void FillYears();

    QComboBox* Combonamlamviec;
    QLineEdit *txtid, *mgio, *mngay1, *mngay2, *mndung, *mthu, *mchutri, *mchuanbi, *mdiadiem, *mthanhphan, *mghichu;
    QLabel* lblhuongdan;
    QPushButton *cmdtracuu, *cmdxoa, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* box(const char* name, int limit);
    bool checkDate(QLineEdit* b);
    bool checkPeriod();
    bool checkNumber();
    void fieldLeft(QLineEdit* b);
    void keyReleased(QLineEdit* b, QKeyEvent* event);
    bool expands(QLineEdit* b) const;

    App& app_;
    bool checking_ = false;
};

}  // namespace korvane
