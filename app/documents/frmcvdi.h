// The outgoing documents register: each document the office sends, numbered within its type
// and year, on the record form of every register.
#pragma once

#include "recordform.h"

namespace korvane {

class frmcvdi : public RecordForm {
    Q_OBJECT
public:
    frmcvdi(App& app, QWidget* mainWindow);

    // Prepares the data sources as the main window's button does and shows the register.
    static frmcvdi* Open(App& app);

    BoundLineEdit *mso_cv, *mng_cv, *mng_cvchuan, *mloai, *mdv_nhan, *mnoiluu, *mnguoiky;
    BoundTextEdit* mtt_ndung;
    QPushButton* cmdsuasocvdi;
    DBGrid *DBGridnoinhan, *DBGridnoiluu;

    // Proposes the number of the record being added or corrected for the type `type`: the next
    // after the last document of that type, read from the file as it is now. False when it gave
    // no number (no type, a number taken later on, a failure), having said why.
    bool Number(const QString& type);

protected:
    void rememberLast(bool hasLast) override;
    void newRecordDefaults() override;
    bool readyToSave() override;
    std::function<void()> saveCheck(bool adding) override;
    void saved(bool added, bool numberProposed) override;
    void writeRefused() override;
    void correctionStarted() override;
    bool registerKey(QWidget* field, int code, bool shift) override;
    bool fieldLeftExtra(QWidget* field) override;
    void fieldEntered(QWidget* field) override;
    void typeChosen(const QString& type) override;
    void openPrint() override;
    void closing() override;

private:
    // The stt of the first row of `where` (in id order, or last first), or nothing.
    std::optional<QString> firstNumber(const QString& where, bool lastFirst);
    QString nextNumber(const QString& type, qlonglong excludeId);
    void numberingFailed(const engine::DbError& e);
    // Type and number back to what the record had when its correction started.
    void backToBefore();
    // Whether the save depends on the number: a new record, or a correction of type or number.
    bool numberMatters() const;

    QString lastType_;       // the type of the last record when a new one starts
    QString typeOnEntry_;    // the type when mloai last received focus
    QString typeBefore_, numberBefore_;  // of the record when correcting started
    QString refused_, fresh_;  // a number found taken by the save, and the one proposed instead
};

}  // namespace korvane
