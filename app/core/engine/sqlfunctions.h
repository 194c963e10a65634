// Functions and the letter-case rule that the Jet dialect needs, registered on every connection.
#pragma once

#include <string_view>

struct sqlite3;

namespace engine {

void registerSqlFunctions(sqlite3* db);

// Jet pattern match on TCVN3 bytes, ignoring letter case: "*" any run, "?" one character,
// "#" one digit, "[abc]", "[a-z]" and "[!abc]" character lists.
bool jetLike(std::string_view pattern, std::string_view text);

// The same match through the fast path that SQL statements use for patterns of literal runs
// between "*".
bool jetLikeCompiled(std::string_view pattern, std::string_view text);

// The leading number of a text, as the register numbers are compared ("12a" is 12, "" is 0).
double leadingNumber(std::string_view text);

}  // namespace engine
