// AutoText: the abbreviations of "TRAUTO.INI" that the engine expands when a space follows them,
// and the dialog in which the user defines them. Texts are kept as the file holds them, in TCVN3.
#pragma once

#include "inifiles.h"

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kesmir::tray {

inline constexpr char kAutoTextFile[] = "TRAUTO.INI";
inline constexpr char kAutoTextSection[] = "AutoText";
inline constexpr int kAbbreviationMax = 7;  // what the dialog takes; the engine reads up to 8
inline constexpr int kReplacementMax = 118;
inline constexpr int kRecordsMax = 64;  // the engine's table

struct AutoTextRecord {
    std::string abbreviation;  // TCVN3
    std::string replacement;   // TCVN3
};

// The dialog's table, in the order of the dialog's list and of the file. Every change is written
// to the file at once; a change the file could not take is not made in the table either. A line
// is known by its abbreviation: Modify and Delete act on the chosen line's abbreviation as the
// file now holds it.
class AutoTextTable {
public:
    explicit AutoTextTable(IniFiles ini);

    // Loads as the engine loads: keys in file order, those longer than 8 characters skipped.
    void Load();
    const std::vector<AutoTextRecord>& records() const { return records_; }

    // Each returns an empty text when done, else why it was refused (and nothing changed). Empty
    // fields refuse with an empty reason too: there is nothing to say, nothing happens.
    QString Add(const QString& abbreviation, const QString& replacement, bool* done);
    QString Modify(int row, const QString& abbreviation, const QString& replacement, bool* done, int* at = nullptr);
    QString Delete(int row, bool* done);

    static QString LineOf(const AutoTextRecord& record);

private:
    QString check(const QString& abbreviation, const QString& replacement, int skipRow, AutoTextRecord* out) const;
    int find(const AutoTextRecord& record) const;  // the row with that abbreviation, or -1

    IniFiles ini_;
    std::vector<AutoTextRecord> records_;
};

class AutoTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit AutoTextDialog(const IniFiles& ini, QWidget* parent = nullptr);

    AutoTextTable& table() { return table_; }

private:
    void lineChosen(int row);
    void add();
    void modify();
    void remove();
    void fill(int current);
    std::string chosen() const;
    void reselect(const std::string& abbreviation);
    void report(const QString& reason);

    AutoTextTable table_;
    QListWidget* list_;
    QLineEdit* abbreviation_;
    QLineEdit* replacement_;
    QLabel* status_;
};

}  // namespace kesmir::tray
