// Catalogue types: tables, fields and indexes with the properties the windows and the year-table
// creation rely on.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace engine {

enum class RecordsetType { Dynaset = 2, Snapshot = 4 };

enum class FieldType : int {
    Boolean = 1,  // yes/no, holding -1 and 0
    Integer = 3,  // 16-bit whole number
    Long = 4,     // 32-bit whole number; with AutoIncrField it is a counter
    Double = 7,
    Text = 10,    // text of at most Size characters
    Memo = 12,    // long text
};

enum FieldAttribute : int {
    FixedField = 1,
    VariableField = 2,
    AutoIncrField = 16,
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;  // characters for text; bytes of storage for numbers; 0 for memo
    int attributes = 0;
    bool allowZeroLength = true;  // meaningful for text and memo fields

    bool isCounter() const { return (attributes & AutoIncrField) != 0; }
    bool isText() const { return type == FieldType::Text || type == FieldType::Memo; }

    static FieldDef counter(const QString& name) { return {name, FieldType::Long, 4, FixedField | AutoIncrField, false}; }
    static FieldDef text(const QString& name, int size) { return {name, FieldType::Text, size, VariableField, true}; }
    static FieldDef memo(const QString& name) { return {name, FieldType::Memo, 0, VariableField, true}; }
    static FieldDef yesNo(const QString& name) { return {name, FieldType::Boolean, 1, FixedField, false}; }
    static FieldDef integer(const QString& name) { return {name, FieldType::Integer, 2, FixedField, false}; }
    static FieldDef longInt(const QString& name) { return {name, FieldType::Long, 4, FixedField, false}; }
    static FieldDef real(const QString& name) { return {name, FieldType::Double, 8, FixedField, false}; }
};

struct IndexDef {
    QString name;
    bool primary = false;
    bool unique = false;
    QStringList fields;
};

struct TableDef {
    QString name;
    QList<FieldDef> fields;
    QList<IndexDef> indexes;

    const FieldDef* field(const QString& fieldName) const
    {
        for (const FieldDef& f : fields)
            if (f.name.compare(fieldName, Qt::CaseInsensitive) == 0) return &f;
        return nullptr;
    }
};

}  // namespace engine
