// The plan list: the summaries of a set of plans (the whole working year, or what a plan search
// found), the fields of the selected plan beside them, corrected or deleted there, and the
// printing of the whole set through the plan report.
#pragma once

#include "formkit.h"

#include "app.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace korvane {

class App;
class PlanFields;

class frmgridcongviec : public QWidget, public DataWindow {
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

    // The operations of the buttons.
    void Correct();  // "Sửa", and "Huỷ sửa" while correcting
    bool Save();     // false when nothing was written and the plan stays as typed
    void Delete();
    void Print();
    void CloseList();

    // The SELECT the listed plans come from, and the plan table it reads.
    const QString& Statement() const { return statement_; }
    const QString& Table() const { return table_; }
    bool Editing() const;
    // Before the files change: a plan being corrected is kept (saved) or dropped as the clerk
    // answers; false when the clerk goes on with it.
    bool ReleaseData() override;
    // The SELECT that prints a list read with `statement`: the printed columns and the part of
    // the statement from its first "from" on (any letter case), so the rows and their order are
    // those of the list.
    static QString PrintQuery(const QString& statement);

    DataSource* Data1;
    DBGrid* DBGrid1;
    BoundLineEdit *txtid, *Txttendonvi, *txtbophan, *txtloai, *txtndungtt, *Txttgianbdau, *Txttgiankthuc, *txttgianbdauchuan,
        *txttgiankthucchuan, *txtnguoichidao, *txtchidao, *txtcanbo, *mngaycapnhat, *mngaycapnhatchuan, *mnguoicapnhat;
    BoundTextEdit *txtndungct, *txtketqua;
    BoundCheckBox *Check1, *Check2;
    DBCombo *DBCombodonvi, *DBCombophong, *DBComboloai;
    QLabel* lbltrangthai;
    QLineEdit* txtle;
    QPushButton *Cmdsua, *cmdUpdate, *cmdxoa, *cmdin, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void open(const QString& statement, const QString& table, std::unique_ptr<engine::Recordset> rows, bool checksLocked);
    void setMode(const QString& mode);
    void applyRights();
    bool leaveRow();
    bool fieldLeft(QWidget* field);
    void keyReleased(QWidget* field, QKeyEvent* event);

    App& app_;
    QString mode_;        // "xemkehoach" or "suakehoach", the list's own
    QString statement_;   // what the rows were read with
    QString table_;       // the plan table they come from
    bool checksLocked_ = false;  // opened from the main window: the two check boxes stay disabled
    std::unique_ptr<PlanFields> plan_;
};

}  // namespace korvane
