// The calendar search: a year and a condition per field make one SELECT over that year's
// calendar; the calendar grid opens over the entries found.
#pragma once

#include "yearsearch.h"

namespace korvane {

class frmtracuulich : public YearSearch {
    Q_OBJECT
public:
    explicit frmtracuulich(App& app);
    ~frmtracuulich() override;
    static frmtracuulich* Instance(App& app);

    // Runs the search and opens the grid over what it found (also over nothing); false when it
    // stopped (the reason was said).
    bool Search() override;

    QLineEdit *mgio, *mngay1, *mngay2, *mndung, *mthu, *mchutri, *mchuanbi, *mdiadiem, *mthanhphan, *mghichu;

protected:
    void keyReleased(QLineEdit* b, int code, const QKeyEvent* event) override;
    void fieldLeft(QLineEdit* b, Qt::FocusReason reason) override;
    bool backToRegister() override;
};

}  // namespace korvane
