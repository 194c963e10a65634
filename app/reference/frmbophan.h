// The departments of the organisation's units: a record form over "bophan", the unit chosen from
// the list of units.
#pragma once

#include "formkit.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvane {

class App;

class frmbophan : public QDialog {
    Q_OBJECT
public:
    explicit frmbophan(App& app, QWidget* parent = nullptr);

    // The departments and the unit list read from the plan's reference file, the last department
    // current. A failure is said.
    void Open();

    void Add();      // "Nạp mới", or "Huỷ nạp" while adding
    void Correct();  // "Sửa", or "Huỷ sửa" while correcting
    // False when nothing was written and the window keeps its mode.
    bool Save();
    void Delete();
    // "Xuất Excel": the list as the grid shows it, to an XLSX or CSV file.
    void Export();
    const QString& Mode() const { return mode_; }

    DataSource* Data1;
    DBGrid* DBGrid1;
    BoundLineEdit *txtdonvi, *txtdonviid, *txtphong, *txtmatt, *txtid;
    DBCombo* DBCombodonvi;
    QLabel* lbltrangthai;
    QPushButton *cmdAdd, *Cmdsua, *cmdUpdate, *cmdDelete, *cmdxuat, *cmdclose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void setMode(const QString& mode);
    // The rules of the department's name box: a unit must be chosen; a changed name gets its
    // sort key. False when the unit is missing (said, and the focus stays in the name box).
    bool phongLeft();
    bool leaveRow();
    void refreshOn(qint64 id);

    App& app_;
    QString mode_;
    bool validating_ = false;
};

}  // namespace korvane
