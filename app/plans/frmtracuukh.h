// The plan search: a year and a condition per field, in the condition language, make one SELECT
// over that year's plan table; the plan list opens over the plans found.
#pragma once

#include "formkit.h"
#include "yearsearch.h"

#include <memory>

class QCheckBox;

namespace korvane {

class frmtracuukh : public YearSearch {
    Q_OBJECT
public:
    explicit frmtracuukh(App& app);
    ~frmtracuukh() override;
    // The one plan search window, made when first needed.
    static frmtracuukh* Instance(App& app);

    bool Search() override;

    QLineEdit *mtgianbdau1, *mtgianbdau2, *mtgiankthuc1, *mtgiankthuc2, *mban, *mphong, *mndungtt, *mndungct, *mloai, *mnguoichidao,
        *mcanbo, *mchidao, *mketqua;
    QCheckBox *chkkhan, *chkhthanh, *chkchuahthanh;
    DBCombo *DBComboban, *DBCombobophan, *DBComboloai;

protected:
    void showEvent(QShowEvent* event) override;
    QString badDateMessage(const QLineEdit* b) const override;
    void keyReleased(QLineEdit* b, int code, const QKeyEvent* event) override;
    bool backToRegister() override;

private:
    // The lists of the units, departments and types used in that year's plans.
    void useYearLists(const QString& year);
    // The reference lists the plan register offers (when the search comes from it).
    void useRegisterLists();
    void fillLists(const std::function<std::unique_ptr<engine::Recordset>(int)>& open);

    std::unique_ptr<engine::Recordset> lists_[3];  // units, departments, types
};

}  // namespace korvane
