#include "connection.h"

#include "pgconnection.h"
#include "sqliteconnection.h"
#include "tcvn3.h"

namespace engine {

bool isInternalTable(const QString& name)
{
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("jet_"), Qt::CaseInsensitive);
}

std::string toStored(const QString& text)
{
    tcvn3::Encoded e = tcvn3::encode(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                        static_cast<std::size_t>(text.size())));
    if (!e.ok())
        throw DbError(ErrCharacterNotStorable,
                      QStringLiteral("Ký tự '%1' không có trong bảng mã TCVN3.")
                          .arg(text.mid(static_cast<qsizetype>(e.badIndex), 1)));
    return std::move(e.bytes);
}

QString fromStored(std::string_view bytes)
{
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) dst[i] = QChar(tcvn3::toUnicode(static_cast<unsigned char>(bytes[i])));
    return out;
}
Statement::Statement(Connection& connection, std::string_view sql) : cursor_(connection.prepare(sql)) {}

void Statement::run()
{
    while (step()) {
    }
    reset();
}

std::vector<std::string> Statement::image(int from, int count) const
{
    std::vector<std::string> images;
    images.reserve(static_cast<std::size_t>(count));
    for (int k = from; k < from + count; ++k) images.push_back(cursor_->image(k));
    return images;
}

qint64 Connection::reserveCounter(const QString& schema, const QString& table, const QString& column)
{
    return writeTransaction([&] { return nextCounter(schema, table, column); });
}

void Connection::exec(std::string_view sql)
{
    Statement st(*this, sql);
    st.run();
}

bool isServerName(const QString& name)
{
    return name.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<Connection> openConnection(const QString& name, bool readOnly, const std::string& passphrase)
{
    if (isServerName(name)) return openServerConnection(name, readOnly);
    return std::make_unique<SqliteConnection>(name, readOnly, passphrase);
}

void createDataFile(const QString& name, const std::string& passphrase)
{
    if (isServerName(name)) {
        createServerSchema(name);
        return;
    }
    SqliteConnection::createFile(name, passphrase);
}

}  // namespace engine
