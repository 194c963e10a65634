#include "sqlfunctions.h"

#include "tcvn3.h"

#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace engine {
namespace {

std::string_view textOf(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

int compareNoCase(void*, int n1, const void* p1, int n2, const void* p2)
{
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    const int n = n1 < n2 ? n1 : n2;
    for (int i = 0; i < n; ++i) {
        const int d = tcvn3::foldByte(a[i]) - tcvn3::foldByte(b[i]);
        if (d != 0) return d;
    }
    return n1 - n2;
}

// Matches one character against a "[...]" list starting after '['; advances `p` past ']'.
bool matchList(std::string_view pat, std::size_t& p, unsigned char c, bool* wellFormed)
{
    bool negate = false;
    if (p < pat.size() && pat[p] == '!') {
        negate = true;
        ++p;
    }
    bool found = false;
    bool first = true;
    while (p < pat.size() && (pat[p] != ']' || first)) {
        first = false;
        unsigned char lo = tcvn3::foldByte(static_cast<unsigned char>(pat[p]));
        if (p + 2 < pat.size() && pat[p + 1] == '-' && pat[p + 2] != ']') {
            const unsigned char hi = tcvn3::foldByte(static_cast<unsigned char>(pat[p + 2]));
            if (c >= lo && c <= hi) found = true;
            p += 3;
        } else {
            if (c == lo) found = true;
            ++p;
        }
    }
    *wellFormed = p < pat.size();
    if (*wellFormed) ++p;  // the ']'
    return found != negate;
}

// Letter case folded on TCVN3 bytes, as a table.
const unsigned char* caseTable()
{
    static const auto table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = tcvn3::foldByte(static_cast<unsigned char>(i));
        return t;
    }();
    return table.data();
}

// A pattern made of literal runs between "*" (the common "*word*") is matched by searching for
// each run in turn; it is worked out once per statement and kept with the statement. `fold` says
// which bytes count as one: letter case only, or marks too.
struct SimplePattern {
    std::vector<std::string> runs;  // folded
    bool anchoredStart = false, anchoredEnd = false;
    const unsigned char* fold = caseTable();

    static bool compile(std::string_view pat, SimplePattern* out)
    {
        std::string run;
        for (const char c : pat) {
            if (c == '?' || c == '#' || c == '[') return false;
            if (c == '*') {
                if (!run.empty() || out->runs.empty()) out->runs.push_back(run);
                run.clear();
            } else {
                run.push_back(static_cast<char>(out->fold[static_cast<unsigned char>(c)]));
            }
        }
        out->runs.push_back(run);
        out->anchoredStart = pat.empty() || pat.front() != '*';
        out->anchoredEnd = pat.empty() || pat.back() != '*';
        return true;
    }

    bool equalFolded(const char* text, const std::string& run) const
    {
        for (std::size_t k = 0; k < run.size(); ++k)
            if (fold[static_cast<unsigned char>(text[k])] != static_cast<unsigned char>(run[k])) return false;
        return true;
    }

    bool match(std::string_view text) const
    {
        std::size_t at = 0;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const std::string& run = runs[r];
            const bool first = r == 0, last = r + 1 == runs.size();
            if (last && anchoredEnd) {
                if (text.size() < at + run.size()) return false;
                const std::size_t from = text.size() - run.size();
                if (first && anchoredStart && from != 0) return false;
                return equalFolded(text.data() + from, run);
            }
            if (first && anchoredStart) {
                if (text.size() < run.size() || !equalFolded(text.data(), run)) return false;
                at = run.size();
                continue;
            }
            std::size_t k = at;
            while (k + run.size() <= text.size() && !equalFolded(text.data() + k, run)) ++k;
            if (k + run.size() > text.size()) return false;
            at = k + run.size();
        }
        return true;
    }
};

std::string withoutMarks(std::string_view s)
{
    std::string out(s);
    const unsigned char* table = tcvn3::withoutMarksTable();
    for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return out;
}

// like(pattern, text), and jet_like_folded(pattern, text) with marks not told apart.
template <bool WithoutMarks>
void matchFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string_view pattern = textOf(argv[0]);
    const std::string_view text = textOf(argv[1]);
    if (auto* compiled = static_cast<SimplePattern*>(sqlite3_get_auxdata(ctx, 0))) {
        sqlite3_result_int(ctx, compiled->match(text) ? 1 : 0);
        return;
    }
    auto* compiled = new SimplePattern;
    if (WithoutMarks) compiled->fold = tcvn3::withoutMarksTable();
    if (!SimplePattern::compile(pattern, compiled)) {
        delete compiled;
        const bool found = WithoutMarks ? jetLike(withoutMarks(pattern), withoutMarks(text)) : jetLike(pattern, text);
        sqlite3_result_int(ctx, found ? 1 : 0);
        return;
    }
    sqlite3_result_int(ctx, compiled->match(text) ? 1 : 0);
    sqlite3_set_auxdata(ctx, 0, compiled, [](void* p) { delete static_cast<SimplePattern*>(p); });
}

// A text as searched when marks are not told apart (tcvn3::withoutMarksByte on every byte).
void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const std::string folded = withoutMarks(textOf(argv[0]));
    sqlite3_result_text(ctx, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

void lenFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, static_cast<int>(textOf(argv[0]).size()));  // one byte per letter
}

void resultText(sqlite3_context* ctx, std::string_view s)
{
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void leftFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const std::string_view s = textOf(argv[0]);
    const long long n = sqlite3_value_int64(argv[1]);
    resultText(ctx, s.substr(0, n < 0 ? 0 : static_cast<std::size_t>(n)));
}

void rightFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const std::string_view s = textOf(argv[0]);
    long long n = sqlite3_value_int64(argv[1]);
    if (n < 0) n = 0;
    const std::size_t k = static_cast<std::size_t>(n) < s.size() ? static_cast<std::size_t>(n) : s.size();
    resultText(ctx, s.substr(s.size() - k));
}

void midFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const std::string_view s = textOf(argv[0]);
    long long start = sqlite3_value_int64(argv[1]);
    if (start < 1) start = 1;
    const std::size_t from = static_cast<std::size_t>(start - 1);
    if (from >= s.size()) return resultText(ctx, {});
    std::size_t count = std::string_view::npos;
    if (argc > 2) {
        const long long n = sqlite3_value_int64(argv[2]);
        count = n < 0 ? 0 : static_cast<std::size_t>(n);
    }
    resultText(ctx, s.substr(from, count));
}

void caseFunction(sqlite3_context* ctx, sqlite3_value* v, bool upper)
{
    if (sqlite3_value_type(v) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string s(textOf(v));
    for (char& ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (upper) {
            if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
            else if (c >= 0xA8 && c <= 0xAE) c = static_cast<unsigned char>(c - 7);
        } else {
            c = tcvn3::foldByte(c);
        }
        ch = static_cast<char>(c);
    }
    resultText(ctx, s);
}

void upperFunction(sqlite3_context* ctx, int, sqlite3_value** argv) { caseFunction(ctx, argv[0], true); }
void lowerFunction(sqlite3_context* ctx, int, sqlite3_value** argv) { caseFunction(ctx, argv[0], false); }

void valFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, leadingNumber(textOf(argv[0])));
}

// Reads a date written day/month/year (the way dates are typed here) or yyyymmdd.
bool parseDate(std::string_view s, int* d, int* m, int* y)
{
    int parts[3] = {0, 0, 0};
    int count = 0;
    int digits = 0;
    for (const char c : s) {
        if (c >= '0' && c <= '9') {
            parts[count] = parts[count] * 10 + (c - '0');
            if (++digits > 4) return false;
        } else if ((c == '/' || c == '-' || c == '.') && digits > 0 && count < 2) {
            ++count;
            digits = 0;
        } else if (c != ' ') {
            return false;
        }
    }
    if (count == 0 && s.size() == 8) {  // yyyymmdd
        *y = parts[0] / 10000;
        *m = parts[0] / 100 % 100;
        *d = parts[0] % 100;
    } else if (count == 2 && digits > 0) {
        *d = parts[0];
        *m = parts[1];
        *y = parts[2] < 100 ? parts[2] + (parts[2] < 30 ? 2000 : 1900) : parts[2];
    } else {
        return false;
    }
    return *d >= 1 && *d <= 31 && *m >= 1 && *m <= 12;
}

// format(value, pattern): dates with the pattern letters d, dd, m, mm, yy, yyyy; anything that
// is not a date is returned as its text.
void formatFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const std::string_view value = textOf(argv[0]);
    const std::string_view pattern = textOf(argv[1]);
    int d = 0, m = 0, y = 0;
    if (!parseDate(value, &d, &m, &y)) return resultText(ctx, value);
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = static_cast<char>(tcvn3::foldByte(static_cast<unsigned char>(pattern[i])));
        std::size_t run = 1;
        while (i + run < pattern.size() &&
               tcvn3::foldByte(static_cast<unsigned char>(pattern[i + run])) == static_cast<unsigned char>(c))
            ++run;
        if (c == 'y') {
            std::snprintf(buf, sizeof buf, run >= 3 ? "%04d" : "%02d", run >= 3 ? y : y % 100);
            out += buf;
        } else if (c == 'm' || c == 'd') {
            std::snprintf(buf, sizeof buf, run >= 2 ? "%02d" : "%d", c == 'm' ? m : d);
            out += buf;
        } else {
            out.append(pattern.substr(i, run));
        }
        i += run;
    }
    resultText(ctx, out);
}

}  // namespace

bool jetLikeCompiled(std::string_view pattern, std::string_view text)
{
    SimplePattern compiled;
    return SimplePattern::compile(pattern, &compiled) ? compiled.match(text) : jetLike(pattern, text);
}

double leadingNumber(std::string_view text)
{
    // Blanks, an optional sign, digits with at most one decimal point; the rest is ignored.
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.push_back(text[i++]);
    bool point = false, digit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        number.push_back(c);
    }
    return digit ? std::strtod(number.c_str(), nullptr) : 0.0;
}

bool jetLike(std::string_view pat, std::string_view text)
{
    std::size_t p = 0, t = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        const auto c = tcvn3::foldByte(static_cast<unsigned char>(text[t]));
        bool step = false;
        if (p < pat.size()) {
            const char pc = pat[p];
            if (pc == '*') {
                starP = ++p;
                starT = t;
                continue;
            }
            if (pc == '?') {
                step = true;
                ++p;
            } else if (pc == '#') {
                step = c >= '0' && c <= '9';
                if (step) ++p;
            } else if (pc == '[') {
                std::size_t q = p + 1;
                bool wellFormed = false;
                const bool hit = matchList(pat, q, c, &wellFormed);
                if (!wellFormed) return false;  // an unclosed list matches nothing
                step = hit;
                if (step) p = q;
            } else {
                step = tcvn3::foldByte(static_cast<unsigned char>(pc)) == c;
                if (step) ++p;
            }
        }
        if (step) {
            ++t;
        } else if (starP != std::string_view::npos) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

bool useOldTextCollation(sqlite3* db)
{
    return sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, compareNoCase) == SQLITE_OK;
}

void registerSqlFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_collation(db, kTextCollation, SQLITE_UTF8, nullptr, compareNoCase);
    sqlite3_create_function(db, "like", 2, flags, nullptr, matchFunction<false>, nullptr, nullptr);
    sqlite3_create_function(db, "jet_like_folded", 2, flags, nullptr, matchFunction<true>, nullptr, nullptr);
    sqlite3_create_function(db, "len", 1, flags, nullptr, lenFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr);
    sqlite3_create_function(db, "length", 1, flags, nullptr, lenFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_left", 2, flags, nullptr, leftFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_right", 2, flags, nullptr, rightFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_mid", 2, flags, nullptr, midFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_mid", 3, flags, nullptr, midFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_upper", 1, flags, nullptr, upperFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_lower", 1, flags, nullptr, lowerFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_val", 1, flags, nullptr, valFunction, nullptr, nullptr);
    sqlite3_create_function(db, "jet_format", 2, flags, nullptr, formatFunction, nullptr, nullptr);
}

}  // namespace engine
