// The plan list: the summaries of a set of plans (the whole working year, or what a plan search
// found), the fields of the selected plan beside them, corrected or deleted there, and the
// printing of the whole set through the plan report.
#pragma once

#include "listwindow.h"

namespace korvane {

class PlanFields;

class frmgridcongviec : public ListWindow {
    Q_OBJECT
public:
    explicit frmgridcongviec(App& app);
    ~frmgridcongviec() override;
    // The one list window, made when first needed.
    static frmgridcongviec* Instance(App& app);

    // Every plan of the working year, in start and end order (from the main window and from the
    // register; App::FormMode says which). Throws the engine's failure.
    void ShowYear();
    // The plans a search found: `statement` is the search's SELECT, which the list keeps and
    // prints from, whatever other clerks write into the saved queries meanwhile. `rows` is the
    // record set already opened over it.
    void ShowFound(const QString& statement, std::unique_ptr<engine::Recordset> rows);

    // The buttons' corrections and deletions of plans.
    using ListWindow::Correct;
    using ListWindow::Delete;
    using ListWindow::Save;

    // The SELECT that prints a list read with `statement`: the printed columns and the part of
    // the statement from its first "from" on (any letter case), so the rows and their order are
    // those of the list.
    static QString PrintQuery(const QString& statement);

private:
    std::unique_ptr<PlanFields> plan_;  // made before the names below, which are its boxes

public:
    BoundLineEdit *&txtid, *&Txttendonvi, *&txtbophan, *&txtloai, *&txtndungtt, *&Txttgianbdau, *&Txttgiankthuc, *&txttgianbdauchuan,
        *&txttgiankthucchuan, *&txtnguoichidao, *&txtchidao, *&txtcanbo, *&mngaycapnhat, *&mngaycapnhatchuan, *&mnguoicapnhat;
    BoundTextEdit *&txtndungct, *&txtketqua;
    BoundCheckBox *&Check1, *&Check2;
    DBCombo *&DBCombodonvi, *&DBCombophong, *&DBComboloai;
    QPushButton* cmdin;

private:
    void open(const QString& statement, const QString& table, std::unique_ptr<engine::Recordset> rows, bool checksLocked);
    bool leaveRow() override;
    bool panelChanged() const override;
    bool readyToSave() override;
    bool writePanel() override;
    void saved(bool added, long position, bool reread) override;
    bool deleteCurrent() override;
    void modeSet(bool viewing) override;
    void panelKey(QWidget* field, QKeyEvent* key) override;
    bool fieldLeft(QWidget* field) override;
    bool checking() const override;
    QString printStatement() const override { return PrintQuery(statement_); }
    QString missingTemplate(const QString& path) const override;
    bool backToRegister(qlonglong id) override;

    bool checksLocked_ = false;  // opened from the main window: the two check boxes stay disabled
};

}  // namespace korvane
