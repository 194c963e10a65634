// The work-plan register: one plan of the working year at a time on the record form, with what
// is particular to plans: the pick lists of units, departments and types, the start and end dates
// (an end before the start is refused), the rule that staff with the rights "CB" change only
// their own plans, the enlarged text window, and the ways to the plan list and the plan search.
#pragma once

#include "recordform.h"

#include <memory>

namespace korvane {

class PlanFields;

class frmcongviec : public RecordForm {
    Q_OBJECT
public:
    frmcongviec(App& app, QWidget* mainWindow);
    ~frmcongviec() override;
    // Opens the register over the working year's plan table, on its last plan.
    static frmcongviec* Open(App& app, QWidget* mainWindow);
    // The open register, or null.
    static frmcongviec* Find(App& app);

    void ShowList();
    void Zoom();

    BoundLineEdit *txtid, *txtban, *txtiddonvi, *txtphong, *txtidbophan, *txtndungtt, *txtloai, *Txttgianbdau,
        *txttgianbdauchuan, *Txttgiankthuc, *txttgiankthucchuan, *txtchidao, *txtykien, *txtcanbo, *mngaycapnhat,
        *mngaycapnhatchuan, *mnguoicapnhat;
    BoundTextEdit *txtndungct, *txtketqua;
    BoundCheckBox *chkkhan, *chkketthuc;
    DBCombo *DBCombodonvi, *DBCombophong;
    QPushButton *cmdGrid, *cmdxemct;

protected:
    void rememberLast(bool) override {}
    void newRecordDefaults() override;
    void openLists() override;
    bool changed() const override;
    bool requiredFilled() override;
    bool readyToSave() override;
    bool write(bool adding) override;
    void saved(bool added, bool numberProposed) override;
    bool mayChangeCurrent() const override;
    void deleteCurrent() override;
    bool registerKey(QWidget* field, int code, bool shift) override;
    bool fieldLeftExtra(QWidget* field) override;
    void typeChosen(const QString& type) override;

private:
    std::unique_ptr<PlanFields> plan_;
};

}  // namespace korvane
