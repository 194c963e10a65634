// The incoming documents register: one record at a time, in three modes ("xemcv" viewing,
// "napcv" adding, "suacv" correcting), with the editing keys and pick lists of every record form.
#pragma once

#include "formkit.h"

#include <QWidget>

#include <map>

class QGroupBox;
class QLabel;
class QPushButton;

namespace korvane {

class App;

class frmcvden : public QWidget {
    Q_OBJECT
public:
    frmcvden(App& app, QWidget* mainWindow);
    ~frmcvden() override;

    // Prepares the data sources as the main window's button does and shows the register.
    static frmcvden* Open(App& app, QWidget* mainWindow);

    DataSource* Data1;
    BoundLineEdit *mstt, *mng_den, *mng_denchuan, *mnoigui, *mso_cv, *mng_cv, *mng_cvchuan, *mloai, *mdv_nhan, *mcd_dang, *mmat,
        *mkieuupdate, *midcu;
    BoundTextEdit* mtt_ndung;
    BoundCheckBox* Checkdaxuly;
    QLabel* lbltrangthai;
    QLineEdit* mrecnum;
    QLabel* lblhuongdan;
    QPushButton *cmdAdd, *Cmdsua, *cmdUpdate, *cmdsuasocvden, *Cmdtracuu, *Cmdin, *cmdclose;
    DBGrid *DBGridnoigui, *DBGriddv_nhan;
    DBCombo* DBComboloai;

    // The operations of the buttons.
    void StartNew();
    bool Save();
    void Correct();
    void GoToSearch();
    void Print();
    void CloseRegister();
    // The step run before the current record changes; false when the record is to stay.
    bool ValidateLeaving();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void openLists();
    void setMode(const QString& mode);
    void returnToViewing();
    bool newOrChanged() const;
    bool requiredFieldsFilled();
    void setNormalDates();
    void showPosition();
    void jumpToPosition();
    void keyReleased(QWidget* field, QKeyEvent* event);
    void fieldLeft(QWidget* field);
    void stepDate(BoundLineEdit* box, int delta);
    void pick(DBGrid* grid, BoundLineEdit* box, int row);
    void takeCarryOver();
    void lockFields(bool locked);
    void setSttEditable(bool editable);
    void keepNumberUnique();
    int storedBackupMark() const;
    // The backup mark and the copy of the key that a save writes beside the fields.
    QList<QPair<QString, QVariant>> backupMarks(int mark) const;

    App& app_;
    QWidget* main_;
    std::unique_ptr<engine::Recordset> senders_, units_, types_;
    std::map<QString, QString> carry_;  // carry-over texts by column
    bool checkingDate_ = false;
    bool closing_ = false;
    qlonglong proposalBase_ = 0;  // the register's last id when the number was proposed
};

}  // namespace korvane
