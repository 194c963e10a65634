#include "rights.h"

#include "app.h"
#include "formkit.h"

#include <QRegularExpression>

namespace korvane {

bool UnnamedUser(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^M.t ng..i"));
    return pattern.match(name).hasMatch();
}

bool MayChangeSavedBy(const App& app, const QString& lastSaver)
{
    return app.UserRights != QLatin1String("CB") || lastSaver.isEmpty() || lastSaver == app.UserFullName;
}

std::function<void()> SaverRightsCheck(App& app, engine::Database& db, const QString& table, qlonglong id, bool& refused)
{
    return [&app, &db, table, id, &refused] {
        auto rs = db.OpenRecordset(QStringLiteral("SELECT nguoicapnhat FROM %1 WHERE ID = %2").arg(table).arg(id), engine::RecordsetType::Snapshot);
        if (!rs->Eof() && !MayChangeSavedBy(app, rs->Field(QStringLiteral("nguoicapnhat")).toString())) {
            refused = true;
            throw WriteRefused{};
        }
    };
}

}  // namespace korvane
