// Functions and the letter-case rule that the Jet dialect needs, registered on every connection.
#pragma once

#include <string_view>

struct sqlite3;

namespace engine {

// The letter-case rule of text columns: TCVN3 capitals fold like the Latin ones. It has a name
// of its own, so that other tools, which cannot know it, refuse indexes sorted by it instead of
// taking them for SQLite's own NOCASE (which folds only A-Z) and finding them out of order.
inline constexpr const char* kTextCollation = "TCVN3_NOCASE";

void registerSqlFunctions(sqlite3* db);

// Files made by earlier versions declare their text columns COLLATE NOCASE and had their indexes
// sorted by our rule under that name: a connection that uses such a file (until it is upgraded,
// see Connection) must compare under NOCASE with our rule too. SQLite's own NOCASE gives way to
// it on that connection. False when the engine refused (statements are running).
bool useOldTextCollation(sqlite3* db);

// Jet pattern match on TCVN3 bytes, ignoring letter case: "*" any run, "?" one character,
// "#" one digit, "[abc]", "[a-z]" and "[!abc]" character lists.
bool jetLike(std::string_view pattern, std::string_view text);

// The same match through the fast path that SQL statements use for patterns of literal runs
// between "*".
bool jetLikeCompiled(std::string_view pattern, std::string_view text);

// The leading number of a text, as the register numbers are compared ("12a" is 12, "" is 0).
double leadingNumber(std::string_view text);

}  // namespace engine
