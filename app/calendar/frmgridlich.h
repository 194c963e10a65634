// The calendar grid: the entries of the year (or what a calendar search found) in date and time
// order, each with its print mark, an edit panel that works as the calendar register does, and
// the printing of the marked entries through the weekly calendar report.
#pragma once

#include "listwindow.h"

#include <memory>

namespace korvane {

class CalendarFields;

class frmGridlich : public ListWindow {
    Q_OBJECT
public:
    explicit frmGridlich(App& app);
    ~frmGridlich() override;
    static frmGridlich* Instance(App& app);

    // Every entry of the working year, none marked yet, positioned on the entry `id` (when above
    // 0); from the calendar register. Throws the engine's failure to read the entries.
    void ShowYear(qlonglong id);
    // The entries a calendar search found in `table` with `clause` (empty: all of them), none
    // marked yet; `statement` is the search's SELECT, which the grid keeps. "Chọn tất" marks the
    // entries of `table` that `clause` selects, whatever other searches run meanwhile. Throws
    // the engine's failure to read the entries.
    void ShowFound(const QString& statement, const QString& table, const QString& clause);

    // The operations of the buttons.
    using ListWindow::Correct;
    using ListWindow::Delete;
    using ListWindow::Save;
    void StartNew();  // "Nạp mới", and "Huỷ nạp" while adding
    void CloseGrid() { CloseList(); }

private:
    std::unique_ptr<CalendarFields> entry_;  // made before the names below, which are its boxes

public:
    BoundLineEdit *&txtid, *&mngay, *&mngaychuan, *&mthu, *&mgio, *&mgiochuan, *&mndung, *&mchutri, *&mchuanbi, *&mdiadiem, *&mthanhphan,
        *&mghichu, *&mngaycapnhat, *&mngaycapnhatchuan, *&mnguoicapnhat;
    QPushButton* Cmdin;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open(const QString& statement, const QString& table, const QString& clause, bool fromSearch, qlonglong id);
    bool leaveRow() override;
    bool panelChanged() const override;
    bool settleFocus() override;
    bool readyToSave() override;
    bool writePanel() override;
    void saved(bool added, long position, bool reread) override;
    bool deleteCurrent() override;
    void correctionStarting() override;
    void panelKey(QWidget* field, QKeyEvent* key) override;
    bool fieldLeft(QWidget* field) override;
    bool checking() const override;
    bool backToRegister(qlonglong id) override;
};

}  // namespace korvane
