// A data file kept on a PostgreSQL server: one schema of one server database, reached through
// libpq by a name such as "postgresql://server/office#zeltcv".
#pragma once

#include "connection.h"

namespace engine {

std::unique_ptr<Connection> openServerConnection(const QString& name, bool readOnly);
void createServerSchema(const QString& name);

}  // namespace engine
