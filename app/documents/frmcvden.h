// The incoming documents register: one document that arrived at the office a record, numbered in
// the order of arrival, on the record form of every register.
#pragma once

#include "recordform.h"

namespace korvane {

class frmcvden : public RecordForm {
    Q_OBJECT
public:
    frmcvden(App& app, QWidget* mainWindow);

    // Prepares the data sources as the main window's button does and shows the register.
    static frmcvden* Open(App& app);

    BoundLineEdit *mng_den, *mng_denchuan, *mnoigui, *mso_cv, *mng_cv, *mng_cvchuan, *mloai, *mdv_nhan, *mcd_dang, *mmat;
    BoundTextEdit* mtt_ndung;
    BoundCheckBox* Checkdaxuly;
    QPushButton* cmdsuasocvden;
    DBGrid *DBGridnoigui, *DBGriddv_nhan;

protected:
    void rememberLast(bool hasLast) override;
    void newRecordDefaults() override;
    void saved(bool added, bool numberProposed) override;
    bool registerKey(QWidget* field, int code, bool shift) override;
    void typeChosen(const QString& type) override;
    void openPrint() override;
    void closing() override;

private:
    void keepNumberUnique();

    long lastNumber_ = 0;
    qlonglong proposalBase_ = 0;  // the register's last id when the number was proposed
};

}  // namespace korvane
