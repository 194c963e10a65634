// How the users' passwords are kept in the users table: a salted, slow hash in the password
// column, never the password itself. Rows written before passwords were hashed hold the password
// in clear; they are still accepted and are hashed at the user's next login.
//
// Passwords ignore letter case, as names do: "Bi Mat" and "bi mat" are the same password. The
// hash is taken of the password with its letters folded the way the data files compare text.
#pragma once

#include <QString>

namespace korvane {

// The value to store for `password`: empty for an empty password (a user without a password),
// otherwise "p1$" + salt + "$" + hash (PBKDF2-HMAC-SHA256 over the folded password, 100,000
// rounds, a random 16-byte salt, 18 bytes of result, both in base64 without padding): 50
// characters, the width of the column.
QString HashPassword(const QString& password);

// Whether a stored value is a hash made by HashPassword (otherwise it is an old clear password).
bool IsPasswordHash(const QString& stored);

// Whether `typed` is the password kept as `stored` (a hash, or an old clear password compared
// as the files compare text). An empty stored value matches only an empty typed password. The
// comparison takes the same time wherever the two differ.
bool VerifyPassword(const QString& typed, const QString& stored);

}  // namespace korvane
