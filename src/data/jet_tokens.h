// The tokens of an Access (Jet) SQL text, shared by the translator and the result typing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zol::jet_sql {

enum class Kind {
    Space,   // blanks, tabs, line ends
    Word,    // a name or keyword, also [bracketed] and `quoted` names
    Number,  // 12, 1.5, 1e3
    String,  // a text literal, already in SQLite's single-quoted form
    Date,    // a #...# literal, already as SQLite text ('2006-03-15')
    Op,      // punctuation and operators: ( ) , . ; & = <> <= ...
};

struct Token {
    Kind kind;
    std::string text;   // as SQLite is to read it
    std::string lower;  // Word: lower-case ASCII for keyword tests; else empty
};

// Splits the text into tokens. Throws DbError (empty path) for an unterminated text
// literal or bracketed name, and for a #...# that is no valid date.
std::vector<Token> tokenize(std::string_view sql);

// "mm/dd/yyyy", "yyyy/mm/dd", "yyyy-mm-dd" (also m/d, two-digit years, and a time
// "hh:mm[:ss] [AM|PM]") -> "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss"; "" when not a date.
std::string jet_date_text(std::string_view inside_hashes);

// A bracketed or back-quoted name without its brackets; other text unchanged.
std::string bare_name(const std::string& word);

// Words that are part of the statement's grammar rather than names or values.
bool is_keyword(const std::string& lower);

}  // namespace zol::jet_sql
