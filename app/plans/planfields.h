// The fields of one work plan bound to a window's data source, as the plan register and the plan
// list's panel both show them, and what both windows do with them: the pick lists, the date
// checks, the required fields, the saver's stamps, and writing or deleting under the rule that
// staff with the rights "CB" change only the plans they saved themselves.
#pragma once

#include "formkit.h"
#include "savedrows.h"

#include <QStringList>

#include <memory>

class QKeyEvent;

namespace korvane {

class App;

class PlanFields : public SavedRowFields {
public:
    // The object names of the controls the two windows name differently.
    struct Names {
        const char *unit, *department, *director, *direction, *urgent, *finished;
        QString urgentCaption, finishedCaption;
    };
    PlanFields(App& app, QWidget* owner, DataSource* source, const Names& names);

    BoundLineEdit *id, *unit, *department, *type, *summary, *start, *startNormal, *end, *endNormal, *director, *direction,
        *officers, *savedOn, *savedOnNormal, *savedBy;
    BoundTextEdit *detail, *result;
    BoundCheckBox *urgent, *finished;
    DBCombo *unitList, *departmentList, *typeList;
    // The columns of the eleven texts, whose changes (and the two flags') make a plan worth saving.
    static const QStringList& TextColumns();

    // The units and departments of the reference file, and the types used in `table`; a list
    // that cannot be read is reported and stays empty.
    void OpenLists(const QString& table);
    void ReadTypes(const QString& table);
    engine::Recordset* Units() const { return units_.get(); }

    // The id of the current plan; 0 when there is none (or it is being added).
    qlonglong CurrentId() const;
    // Whether the user may change the current plan, as the window last read it.
    bool MayChangeCurrent() const override;

    // The date checks made on leaving the boxes, and again by the save: a date that is none is
    // said and emptied; an end before the start is said and kept to be corrected.
    bool CheckStart();
    bool CheckEnd();
    // A check's message is being shown: the focus moves it causes check nothing.
    bool Checking() const override { return checking_; }
    // Both dates checked again: the start may have changed after the end was left.
    bool ReadyToSave() override { return CheckStart() && CheckEnd(); }

    bool Changed() const override;
    // True when the four required fields are filled; otherwise says which are not.
    bool RequiredFilled() override;
    // Stamps the normal dates, the day and the saver, and writes the plan into `table`. False
    // when nothing was written: the reason was said and what was typed is still in the fields.
    bool Write(const QString& table) override;
    // Deletes the current plan of `table`; false when it was not deleted.
    bool DeleteCurrent(const QString& table) override;

    // F4, F5 and the expansions of a key released in `field` while the plan is being changed;
    // true when the key was one of them.
    bool KeyReleased(QWidget* field, int code);
    // The same, F6 left to the window (its carry-over values).
    bool KeyReleased(QWidget* field, int code, bool shift) override;
    // The date checks, and the expansions of the texts once more as their boxes are left.
    bool FieldLeft(QWidget* field) override;

private:
    void dataError(const QString& description) const;

    App& app_;
    QWidget* owner_;
    DataSource* source_;
    std::unique_ptr<engine::Recordset> units_, departments_, types_;
    bool checking_ = false;
};

}  // namespace korvane
