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
    static frmcongviec* Open(App& app);
    // The open register, or null.
    static frmcongviec* Find(App& app);

    void ShowList();
    void Zoom();

private:
    std::unique_ptr<PlanFields> plan_;  // made before the names below, which are its boxes

public:
    BoundLineEdit *&txtid, *&txtban, *&txtphong, *&txtndungtt, *&txtloai, *&Txttgianbdau, *&txttgianbdauchuan, *&Txttgiankthuc,
        *&txttgiankthucchuan, *&txtchidao, *&txtykien, *&txtcanbo, *&mngaycapnhat, *&mngaycapnhatchuan, *&mnguoicapnhat;
    BoundTextEdit *&txtndungct, *&txtketqua;
    BoundCheckBox *&chkkhan, *&chkketthuc;
    DBCombo *&DBCombodonvi, *&DBCombophong;
    BoundLineEdit *txtiddonvi, *txtidbophan;  // the ids of the unit and department picked, which only the register keeps
    QPushButton *cmdGrid, *cmdxemct;

protected:
    void rememberLast(bool) override {}
    void newRecordDefaults() override;
    void openLists() override;
    void saved(bool added, bool numberProposed) override;
    void typeChosen(const QString& type) override;
};

}  // namespace korvane
