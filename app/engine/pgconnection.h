// A data file kept on a PostgreSQL server: one schema of one server database, reached through
// libpq by a name such as "postgresql://server/office#zeltcv".
#pragma once

#include "connection.h"

#include <utility>
#include <vector>

namespace engine {

std::unique_ptr<Connection> openServerConnection(const QString& name, bool readOnly);
void createServerSchema(const QString& name);
// Drops the data files (all on one server) in one transaction; those not there are left alone.
void dropServerSchemas(const QStringList& names);
// Renames data files of one server, all in one transaction.
void renameServerSchemas(const std::vector<std::pair<QString, QString>>& renames);
// The data file called `file` ("zelttk.mdb" or "zelttk") of the server database of `name`.
QString serverSibling(const QString& name, const QString& file);

}  // namespace engine
