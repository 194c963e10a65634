// The one exception type of the database adapter: a number and a description.
#pragma once

#include <QString>

#include <stdexcept>

namespace engine {

// Error numbers. They follow the numbering that the windows' messages and the message dialog's
// Ctrl+End already know from the engine the registers were first written against.
enum ErrorNumber : int {
    ErrFileNotFound = 3024,        // the data file does not exist
    ErrNotValidPassword = 3031,    // wrong password, or a damaged encrypted file
    ErrFileReadOnly = 3051,        // the file or its folder cannot be written
    ErrUnrecognisedFormat = 3343,  // not a data file, or truncated
    ErrTableNotFound = 3078,       // no table or saved query of that name
    ErrItemNotFound = 3265,        // no field (or index) of that name
    ErrFieldTooSmall = 3163,       // a text longer than its field
    ErrZeroLength = 3315,          // an empty text in a field that does not allow it
    ErrNoCurrentRecord = 3021,
    ErrUpdateWithoutEdit = 3020,
    ErrNotUpdatable = 3027,        // a read-only file or a record set that cannot be written
    ErrSyntax = 3000,              // malformed SQL or criteria
    ErrBusy = 3260,                // another clerk holds the file longer than the busy timeout
    ErrDiskFull = 3026,            // no room left on the disk (or the share) for the write
    ErrFileInUse = 3045,           // a statement names the data file it runs in as another file
    ErrDuplicateKey = 3022,
    ErrObjectExists = 3010,        // a table or saved query of that name already exists
    ErrCharacterNotStorable = 3640,  // a character that TCVN3 cannot hold
    ErrDatabaseClosed = 3420,      // the database or record set has been closed
    ErrRecordDeleted = 3167,       // the current row was deleted (here or by another clerk)
    ErrChangedByOther = 3197,      // another clerk changed the row since this record set read it
    ErrTypeMismatch = 3421,        // a value that the field's type cannot hold
    ErrInvalidArgument = 3001,     // a position or bookmark outside the record set
    ErrServerUnavailable = 3151,   // the server cannot be reached, or the connection to it was lost
    ErrServerTimeout = 3234,       // the server did not finish a statement within its time
    ErrEngine = 3146,              // any other failure reported by the engine
};

class DbError : public std::runtime_error {
public:
    DbError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description)
    {
    }
    int number() const { return number_; }
    const QString& description() const { return description_; }

private:
    int number_;
    QString description_;
};

}  // namespace engine
