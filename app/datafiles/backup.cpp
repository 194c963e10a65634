#include "backup.h"

#include "app.h"
#include "jetsql.h"

#include <QFileInfo>
#include <QWidget>

namespace korvane {

namespace {

// The fields a backup copies: every field of the register's row but its key and its backup
// state, read from the table itself so that no field can be left behind.
QStringList copiedFields(engine::Database& doc, const QString& table)
{
    QStringList fields = FieldListWithoutId(table, doc).split(QLatin1Char(','));
    fields.removeIf([](const QString& f) { return f.compare(QLatin1String("kieuupdate"), Qt::CaseInsensitive) == 0; });
    return fields;
}

// The saved query that reads the register's table in the backup file, rewritten when its text
// differs from the wanted one by more than line breaks, blanks, letter case or a final ";".
void keepQuery(engine::Database& doc, const QString& name, const QString& wanted)
{
    if (!doc.HasQueryDef(name)) {
        doc.CreateQueryDef(name, wanted);
        return;
    }
    QString stored = doc.QueryDefSql(name);
    do {
        stored.replace(QLatin1String("\r\n"), QLatin1String(" "));
        while (stored.contains(QLatin1String("  "))) stored.replace(QLatin1String("  "), QLatin1String(" "));
    } while (stored.contains(QLatin1String("\r\n")));
    stored = stored.trimmed().toLower();
    const QString w = wanted.toLower();
    if (stored != w && stored != w + QLatin1Char(';')) doc.SetQueryDefSql(name, wanted);
}

// Every year table of the document file, for the first whole-file copy.
QStringList yearTables(engine::Database& doc)
{
    QStringList tables;
    for (const QString& t : doc.TableNames()) {
        const QString lower = t.toLower();
        const bool incoming = lower.startsWith(QLatin1String("cvden")) && lower.size() == 9;
        const bool outgoing = lower.startsWith(QLatin1String("cvdi")) && lower.size() == 8;
        bool digits = false;
        lower.right(4).toInt(&digits);
        if ((incoming || outgoing) && digits) tables.append(t);
    }
    return tables;
}

}  // namespace

void BackupRegister(App& app, const QString& kind)
{
    if (app.BackupFile.trimmed().size() < 3 || app.BackupFile == app.DocFile || !app.DocDb) return;
    engine::Database& doc = *app.DocDb;
    BusyCursor busy;

    if (PathExists(app.BackupFile).isEmpty()) {
        // The first backup is a copy of the whole document file. It is taken while this program
        // holds the file's write lock, so that the copy is one consistent state; in the same
        // transaction every row it holds is marked backed up.
        try {
            doc.WriteTransaction([&] {
                const QStringList tables = yearTables(doc);
                if (!CopyOrDelete(app.DocFile, app.BackupFile, QStringLiteral("copy")))
                    throw engine::DbError(engine::ErrFileReadOnly, QStringLiteral("Không chép được file backup."));
                for (const QString& t : tables) doc.Execute(QStringLiteral("update %1 set kieuupdate=0 where kieuupdate>0").arg(t));
            });
        } catch (const engine::DbError& e) {
            app.RecordFailure(e);  // a failed first copy is left for the next close
        }
        return;
    }

    const bool outgoing = kind == QLatin1String("cvdi");
    const QString table = outgoing ? app.OutDocTable : app.InDocTable;
    QString step;
    std::unique_ptr<QWidget> notice;
    try {
        {
            auto pending = doc.OpenRecordset(QStringLiteral("select * from ") + table + QStringLiteral(" where kieuupdate>0"));
            if (pending->RecordCount() == 0) return;
        }
        app.MsgText = QStringLiteral("Máy tính đang backup dữ liệu !...");
        app.MsgMode = QStringLiteral("tbao");
        notice = app.modal().notice(app);

        step = QStringLiteral("mở file backup công văn.");
        engine::Database backup(app.BackupFile);
        const bool hasTable = TableExists(table, backup);
        if (hasTable) {
            const QString quoted = engine::escapeQuotes(app.BackupFile);
            keepQuery(doc, QStringLiteral("Qrbangcvden"), QStringLiteral("select * from ") + app.InDocTable + QStringLiteral(" in '") + quoted + QLatin1Char('\''));
            keepQuery(doc, QStringLiteral("Qrbangcvdi"), QStringLiteral("select * from ") + app.OutDocTable + QStringLiteral(" in '") + quoted + QLatin1Char('\''));
        }
        backup.Close();

        const auto attached = doc.KeepAttached(app.BackupFile);
        const QString path = engine::escapeQuotes(app.BackupFile);
        if (hasTable) {
            const bool incoming = table == app.InDocTable;
            const QStringList copied = copiedFields(doc, table);
            const QString fields = copied.join(QLatin1Char(','));
            const QString query = incoming ? QStringLiteral("Qrbangcvden") : QStringLiteral("Qrbangcvdi");
            QStringList assignments;
            for (const QString& f : copied)
                if (f.compare(QLatin1String("idcu"), Qt::CaseInsensitive) != 0)
                    assignments.append(query + QLatin1Char('.') + f + QLatin1Char('=') + table + QLatin1Char('.') + f);
            // One transaction: the copies and the marks are committed together or not at all.
            doc.WriteTransaction([&] {
                doc.Execute(QStringLiteral(" INSERT INTO ") + table + QStringLiteral(" IN '") + path + QStringLiteral("' Select ") + fields +
                            QStringLiteral(" from ") + table + QStringLiteral(" where kieuupdate=1 order by id"));
                // A row added and corrected before any backup has no copy yet: it is added too.
                doc.Execute(QStringLiteral(" INSERT INTO ") + table + QStringLiteral(" IN '") + path + QStringLiteral("' Select ") + fields +
                            QStringLiteral(" from ") + table + QStringLiteral(" where kieuupdate=2 and idcu not IN (select distinct idcu from ") +
                            query + QStringLiteral(" where idcu is not null) order by id"));
                doc.Execute(QStringLiteral("update ") + table + QStringLiteral(" set kieuupdate=0 where kieuupdate=1"));
                doc.Execute(QStringLiteral("update ") + table + QStringLiteral(", ") + query + QStringLiteral(" set ") + assignments.join(QStringLiteral(", ")) +
                            QStringLiteral("  where ") + query + QStringLiteral(".idcu=") + table + QStringLiteral(".idcu  and ") + table +
                            QStringLiteral(".kieuupdate=2 "));
                doc.Execute(QStringLiteral("update ") + table + QStringLiteral(" set kieuupdate=0 where kieuupdate>0"));
            });
        } else {
            step = QStringLiteral("sao chép cả bảng ") + table + QStringLiteral(" sang file dữ liệu backup.");
            doc.WriteTransaction([&] {
                doc.Execute(QStringLiteral("SELECT ") + table + QStringLiteral(".* INTO ") + table + QStringLiteral(" IN '") + path +
                            QStringLiteral("' FROM ") + table + QStringLiteral(" ;"));
                doc.Execute(QStringLiteral("update ") + table + QStringLiteral(" set kieuupdate=0 where kieuupdate>0"));
            });
            engine::Database copy(app.BackupFile);
            copy.Execute(QStringLiteral("CREATE INDEX idprimarykey ON ") + table + QStringLiteral("(id ASC) WITH  PRIMARY "));
            for (const engine::FieldDef& f : copy.TableDefOf(table).fields)
                if (f.isText()) copy.SetAllowZeroLength(table, f.name, true);
        }
        notice.reset();
    } catch (const engine::DbError& e) {
        notice.reset();
        app.RecordFailure(e);
        app.Message(QStringLiteral("Gặp lỗi khi đang ") + step + QLatin1Char('\r') +
                    QStringLiteral(" Việc backup không thực hiện được. Cần thông báo cho cán bộ quản trị mạng biết !"));
    }
}

}  // namespace korvane
