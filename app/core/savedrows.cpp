#include "savedrows.h"

#include "app.h"
#include "formkit.h"
#include "rights.h"

namespace korvane {

qlonglong CurrentRowId(const DataSource& source)
{
    const long p = source.Position();
    return p >= 0 && p < source.Count() && !source.IsNew() ? source.Value(QStringLiteral("ID")).toLongLong() : 0;
}

bool MayChangeCurrentRow(const App& app, const DataSource& source)
{
    return CurrentRowId(source) > 0 && MayChangeSavedBy(app, source.Value(QStringLiteral("nguoicapnhat")).toString());
}

bool WriteStampedRow(App& app, DataSource& source, const QString& table, const SaverStamps& stamps, const QString& notYours)
{
    const QDate today = app.Today();
    stamps.savedOn->setText(today.toString(QStringLiteral("dd/MM/yyyy")));
    stamps.savedOnNormal->setText(today.toString(QStringLiteral("yyyyMMdd")));
    stamps.savedBy->setText(UnnamedUser(app.UserFullName) ? QString() : app.UserFullName);

    bool refused = false;
    const bool adding = source.IsNew();
    const auto check = adding ? std::function<void()>() : SaverRightsCheck(app, *source.Database, table, CurrentRowId(source), refused);
    if (source.UpdateRecord({}, check)) return true;
    // Nothing was written. The boxes keep what was typed, except after another clerk's change of
    // the row: then they show the row as it now is, and the source holds the typed text (F7).
    if (refused) app.Message(notYours);
    return false;
}

bool DeleteCheckedRow(App& app, DataSource& source, const QString& table, const QString& notYours)
{
    bool refused = false;
    if (source.Delete(SaverRightsCheck(app, *source.Database, table, CurrentRowId(source), refused))) return true;
    if (refused) {
        app.Message(notYours);
        source.Requery();  // the row as its new saver left it
    }
    return false;
}

}  // namespace korvane
