// The work-plan register: one plan of the working year at a time, viewed, added or corrected,
// with the carry-over values of F6, the pick lists of units, departments and types, the rule that
// staff with the rights "CB" change only their own plans, and the ways to the plan list, the plan
// search and the enlarged text window.
#pragma once

#include "formkit.h"

#include "app.h"

#include <QWidget>

#include <map>

class QLabel;
class QPushButton;

namespace korvane {

class App;
class PlanFields;

class frmcongviec : public QWidget, public DataWindow {
    Q_OBJECT
public:
    frmcongviec(App& app, QWidget* mainWindow);
    ~frmcongviec() override;
    // Opens the register over the working year's plan table, on its last plan.
    static frmcongviec* Open(App& app);
    // The open register, or null.
    static frmcongviec* Find(App& app);
    // Before the files change: the entry being typed is kept (saved) or dropped as the clerk
    // answers; false when the clerk goes on with it.
    bool ReleaseData() override;

    // Back from the plan list or from a search's list: the plans are read again, the plan with
    // this id (when above 0) becomes current, and the register is shown in viewing mode.
    void ComeBack(qlonglong id);
    // Back from the plan search closed without a result: shown as it was, in viewing mode.
    void ShowAgain();

    // The operations of the buttons.
    void StartNew();
    bool Save();
    void Correct();
    void Delete();
    void GoToSearch();
    void ShowList();
    void Zoom();
    void CloseRegister();

    DataSource* Data1;
    BoundLineEdit *txtid, *txtban, *txtiddonvi, *txtphong, *txtidbophan, *txtndungtt, *txtloai, *Txttgianbdau,
        *txttgianbdauchuan, *Txttgiankthuc, *txttgiankthucchuan, *txtchidao, *txtykien, *txtcanbo, *mngaycapnhat,
        *mngaycapnhatchuan, *mnguoicapnhat;
    BoundTextEdit *txtndungct, *txtketqua;
    BoundCheckBox *chkkhan, *chkketthuc;
    DBCombo *DBCombodonvi, *DBCombophong, *DBComboloai;
    QLabel *lbltrangthai, *lblhuongdan;
    QLineEdit* mrecnum;
    QPushButton *cmdAdd, *Cmdsua, *cmdUpdate, *cmdDelete, *cmdGrid, *Cmdtracuu, *cmdxemct, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool editing() const;
    // This register's own mode ("xemkehoach", "napkehoach", ...): other windows change the
    // shared FormMode as they open, never what this window is doing.
    QString mode_;
    void setMode(const QString& mode);
    void showMode();
    void returnToViewing();
    void applyRights();
    void showPosition();
    void jumpToPosition();
    void takeCarryOver();
    bool fieldLeft(QWidget* field);
    void keyReleased(QWidget* field, QKeyEvent* event);
    void dataError(const QString& description);
    void openInstead(const QString& opener, const QString& mode);

    App& app_;
    QWidget* main_;
    std::unique_ptr<PlanFields> plan_;
    std::map<QString, QString> carry_;  // carry-over texts by column
    bool closing_ = false;
};

}  // namespace korvane
