// The plan search: a year and a condition per field, in the condition language, make one SELECT
// over that year's plan table; the plan list opens over the plans found.
#pragma once

#include "formkit.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace korvane {

class App;

class frmtracuukh : public QWidget {
    Q_OBJECT
public:
    explicit frmtracuukh(App& app);
    ~frmtracuukh() override;
    // The one plan search window, made when first needed.
    static frmtracuukh* Instance(App& app);

    // Runs the search; false when it stopped (the reason was said).
    bool Search();
    void ClearConditions();
    void CloseSearch();
    // Offers the years of the plan tables as they are now; the year chosen stays chosen while it
    // is one of them (at first: the working year).
    void FillYears();

    QComboBox* Combonamlamviec;
    QLineEdit *txtid, *mtgianbdau1, *mtgianbdau2, *mtgiankthuc1, *mtgiankthuc2, *mban, *mphong, *mndungtt, *mndungct, *mloai,
        *mnguoichidao, *mcanbo, *mchidao, *mketqua;
    QCheckBox *chkkhan, *chkhthanh, *chkchuahthanh;
    DBCombo *DBComboban, *DBCombobophan, *DBComboloai;
    QLabel* lblhuongdan;
    QPushButton *cmdtracuu, *cmdxoa, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* box(const char* name, int limit);
    // The lists of the units, departments and types used in that year's plans.
    void useYearLists(const QString& year);
    // The reference lists the plan register offers (when the search comes from it).
    void useRegisterLists();
    void fillLists(const std::function<std::unique_ptr<engine::Recordset>(int)>& open);
    bool checkDate(QLineEdit* b);
    bool checkPeriod(QLineEdit* from, QLineEdit* to);
    bool checkNumber();
    void fieldLeft(QLineEdit* b);
    void keyReleased(QLineEdit* b, QKeyEvent* event);

    App& app_;
    std::unique_ptr<engine::Recordset> lists_[3];  // units, departments, types
    bool checking_ = false;
};

}  // namespace korvane
