// The fields of one calendar entry bound to a window's data source, as the calendar register and
// the calendar grid's panel both show them, and what both do with them: the date that fills the
// weekday, the time's sort key, the day steps of F5, the carry-over values of F6, the required
// fields, the saver's stamps, and writing or deleting under the "CB" rule.
#pragma once

#include "formkit.h"
#include "savedrows.h"

#include <QStringList>

#include <map>

namespace korvane {

class App;

// The sort key of a typed time: a single leading digit gets a "0" before it, so that "8h30",
// "9g30", "9:30" and "8H30" sort before "14h00"; any other text is its own key.
QString TimeSortKey(const QString& typed);

class CalendarFields : public SavedRowFields {
public:
    // `idName`: the object name of the id box ("txtFields" in the register, "txtid" in the grid).
    // `dateMessage`: the window's message for a date that is none.
    CalendarFields(App& app, QWidget* owner, DataSource* source, const char* idName, QString dateMessage);

    BoundLineEdit *id, *date, *dateNormal, *weekday, *time, *timeKey, *content, *presides, *prepares, *place, *participants, *note,
        *savedOn, *savedOnNormal, *savedBy;
    // `texts`: the eight fields typed into (the weekday box is filled by the program).

    // The id of the current entry; 0 when there is none (or it is being added).
    qlonglong CurrentId() const;
    // Whether the user may change the current entry ("CB" staff: only entries they saved last,
    // or nobody has), as the window last read it.
    bool MayChangeCurrent() const override;

    // The carry-over values, taken from the current entry (empty when `fromRow` is false).
    void TakeCarryOver(bool fromRow);

    // Leaving the date box: a date is written in display form with its weekday and normal form;
    // anything else is said, emptied and focused. True when the box holds a date or nothing.
    bool CheckDate();
    // The time's sort key from the typed time.
    void SetTimeKey();
    // A check's message is being shown: the focus moves it causes check nothing.
    bool Checking() const override { return checking_; }
    bool ReadyToSave() override { return CheckDate(); }

    bool Changed() const override;
    bool RequiredFilled() override;
    // Stamps and writes the entry into `table`. False when nothing was written: the reason was
    // said and what was typed is still in the fields.
    bool Write(const QString& table) override;
    // Deletes the current entry of `table` (the rights checked as the file holds it).
    bool DeleteCurrent(const QString& table) override;

    // F4, F5 / Shift+F5, F6 and the expansions of a key released in `field` while the entry is
    // being changed; true when the key was one of them.
    bool KeyReleased(QWidget* field, int code, bool shift) override;
    // Leaving `field` while changing: the date check, the time key, the expansions. False when
    // the date was refused.
    bool FieldLeft(QWidget* field) override;
    // Entering the weekday box says it fills itself and sends the focus back to the date.
    void FieldEntered(QWidget* field) override;

private:
    App& app_;
    DataSource* source_;
    QString dateMessage_;
    std::map<QString, QString> carry_;
    bool checking_ = false;
};

}  // namespace korvane
