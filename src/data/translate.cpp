// The Access dialect is read into a small tree of tokens and parenthesised groups, and
// written out again as SQLite text: the few Jet forms SQLite lacks are rewritten on the
// way (date literals, & concatenation, iif, True/False, keywords glued to literals).
#include "data/translate.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "core/big5.h"
#include "core/text.h"
#include "data/db_error.h"
#include "data/jet_tokens.h"
#include "data/statement_parts.h"

namespace zol {

namespace {

using jet_sql::Kind;
using jet_sql::Token;

// Deeper nesting than any real statement; it bounds the recursion below.
constexpr int kMaxDepth = 200;

[[noreturn]] void refuse(const std::string& message) {
    throw DbError({}, message);
}

// A token, or a parenthesised group holding its own sequence of nodes.
struct Node {
    Token tok;
    std::vector<Node> inner;
    bool group = false;
};

std::vector<Node> build_tree(const std::vector<Token>& tokens, std::size_t& i, int depth) {
    if (depth > kMaxDepth) refuse("SQL 敘述的括號層數過多");
    std::vector<Node> seq;
    while (i < tokens.size()) {
        const Token& t = tokens[i];
        if (t.kind == Kind::Op && t.text == ")") {
            if (depth == 0) refuse("SQL 敘述的括號不成對 (多了右括號)");
            ++i;
            return seq;
        }
        ++i;
        if (t.kind == Kind::Op && t.text == "(") {
            Node g{t, build_tree(tokens, i, depth + 1), true};
            seq.push_back(std::move(g));
        } else {
            seq.push_back({t, {}, false});
        }
    }
    if (depth > 0) refuse("SQL 敘述的括號不成對 (缺少右括號)");
    return seq;
}

// A piece of output text and what it is, for finding the operands of &.
enum class Piece { Space, Word, Literal, Op, Compound };
struct Part {
    Piece kind;
    std::string text;
    std::string lower;
};

bool is_arith(const Part& p) {
    return p.kind == Piece::Op &&
           (p.text == "+" || p.text == "-" || p.text == "*" || p.text == "/" || p.text == "." ||
            p.text == "\\" || p.text == "^" || p.text == "%");
}
bool is_operand(const Part& p) {
    return p.kind == Piece::Literal || p.kind == Piece::Compound ||
           (p.kind == Piece::Word && !jet_sql::is_keyword(p.lower));
}

std::string render(const std::vector<Node>& seq, int depth);

std::size_t next_solid(const std::vector<Node>& seq, std::size_t i) {
    while (i < seq.size() && !seq[i].group && seq[i].tok.kind == Kind::Space) ++i;
    return i;
}

// Splits a group's content at its own commas.
std::vector<std::vector<Node>> split_args(const std::vector<Node>& inner) {
    std::vector<std::vector<Node>> args(1);
    for (const Node& n : inner) {
        if (!n.group && n.tok.kind == Kind::Op && n.tok.text == ",") {
            args.emplace_back();
        } else {
            args.back().push_back(n);
        }
    }
    return args;
}

// iif(c, a, b): Jet's inline condition; a null condition takes the else branch, as CASE does.
std::string render_iif(const Node& group, int depth) {
    const auto args = split_args(group.inner);
    if (args.size() != 3) refuse("iif 需要三個引數");
    std::string out = "CASE WHEN " + trim(render(args[0], depth + 1)) + " THEN " +
                      trim(render(args[1], depth + 1)) + " ELSE " +
                      trim(render(args[2], depth + 1)) + " END";
    return out;
}

// Jet's Yes/No constants are stored as -1 and 0.
const char* truth_constant(const std::vector<Node>& seq, std::size_t i) {
    const std::string& w = seq[i].tok.lower;
    const char* value = (w == "true" || w == "yes")   ? "-1"
                        : (w == "false" || w == "no") ? "0"
                                                      : nullptr;
    if (!value) return nullptr;
    const auto dot = [](const Node& n) {
        return !n.group && n.tok.kind == Kind::Op && n.tok.text == ".";
    };
    if (i > 0 && dot(seq[i - 1])) return nullptr;
    const std::size_t after = next_solid(seq, i + 1);
    if (after < seq.size() && (seq[after].group || dot(seq[after]))) return nullptr;
    // "... As No" names a column; it is not the constant.
    std::size_t before = i;
    while (before > 0 && !seq[before - 1].group && seq[before - 1].tok.kind == Kind::Space)
        --before;
    if (before > 0 && !seq[before - 1].group && seq[before - 1].tok.lower == "as") return nullptr;
    return value;
}

std::vector<Part> to_parts(const std::vector<Node>& seq, int depth) {
    std::vector<Part> parts;
    const auto push = [&parts](Part p) {
        // Jet reads "-1and" and "'x'and"; SQLite wants a blank there, and reads x'..' as a blob.
        if (!parts.empty()) {
            const Part& last = parts.back();
            const bool glued_after_literal =
                last.kind == Piece::Literal && (p.kind == Piece::Word || p.kind == Piece::Literal);
            const bool text_after_word = last.kind == Piece::Word && p.kind == Piece::Literal &&
                                         !p.text.empty() && p.text.front() == '\'';
            if (glued_after_literal || text_after_word) parts.push_back({Piece::Space, " ", {}});
        }
        parts.push_back(std::move(p));
    };
    for (std::size_t i = 0; i < seq.size(); ++i) {
        const Node& n = seq[i];
        if (n.group) {
            push({Piece::Compound, cat("(", render(n.inner, depth + 1), ")"), {}});
            continue;
        }
        const Token& t = n.tok;
        switch (t.kind) {
            case Kind::Space:
                parts.push_back({Piece::Space, t.text, {}});
                break;
            case Kind::Number:
            case Kind::String:
            case Kind::Date:
                push({Piece::Literal, t.text, {}});
                break;
            case Kind::Op:
                if (t.text == ";") refuse("只能執行一個 SELECT 敘述");
                push({Piece::Op, t.text, {}});
                break;
            case Kind::Word: {
                const std::size_t after = next_solid(seq, i + 1);
                const bool call = after < seq.size() && seq[after].group;
                if (call && t.lower == "iif") {
                    push({Piece::Compound, render_iif(seq[after], depth), {}});
                    i = after;
                } else if (call && !jet_sql::is_keyword(t.lower)) {
                    // A function call is one operand: name, blanks, argument list.
                    std::string text = t.text;
                    for (std::size_t k = i + 1; k < after; ++k) text += seq[k].tok.text;
                    text += cat("(", render(seq[after].inner, depth + 1), ")");
                    push({Piece::Compound, std::move(text), {}});
                    i = after;
                } else if (const char* v = truth_constant(seq, i)) {
                    push({Piece::Literal, v, {}});
                } else {
                    push({Piece::Word, t.text, t.lower});
                }
                break;
            }
        }
    }
    return parts;
}

// The operand of & that ends just before `amp`: a run of names, literals, groups and
// arithmetic (which binds tighter than & in Jet), stopped by anything else.
std::size_t operand_start(const std::vector<Part>& parts, std::size_t amp) {
    std::size_t start = amp;
    bool expect = true;
    for (std::size_t j = amp; j-- > 0;) {
        const Part& p = parts[j];
        if (p.kind == Piece::Space) continue;
        if (is_arith(p)) {
            expect = true;
        } else if (expect && is_operand(p)) {
            expect = false;
        } else {
            break;
        }
        start = j;
    }
    return start;
}

std::size_t operand_end(const std::vector<Part>& parts, std::size_t amp) {
    std::size_t end = amp + 1;
    bool expect = true;
    for (std::size_t j = amp + 1; j < parts.size(); ++j) {
        const Part& p = parts[j];
        if (p.kind == Piece::Space) continue;
        if (is_arith(p)) {
            expect = true;
        } else if (expect && is_operand(p)) {
            expect = false;
        } else {
            break;
        }
        end = j + 1;
    }
    return end;
}

std::string join_text(const std::vector<Part>& parts, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t k = from; k < to; ++k) s += parts[k].text;
    return trim(s);
}

bool is_single_literal(const std::vector<Part>& parts, std::size_t from, std::size_t to) {
    std::size_t solid = 0;
    bool literal = false;
    for (std::size_t k = from; k < to; ++k) {
        if (parts[k].kind == Piece::Space) continue;
        ++solid;
        literal = parts[k].kind == Piece::Literal;
    }
    return solid == 1 && literal;
}

// Jet's & treats a null operand as empty text; the result is null only when every
// operand is null.
std::string concatenation(const std::vector<std::string>& operands,
                          const std::vector<bool>& literal) {
    const bool never_null = std::find(literal.begin(), literal.end(), true) != literal.end();
    std::string joined;
    std::string all_null;
    for (std::size_t k = 0; k < operands.size(); ++k) {
        if (k > 0) joined += " || ";
        joined += literal[k] ? operands[k] : "ifnull(" + operands[k] + ",'')";
        if (!literal[k]) {
            if (!all_null.empty()) all_null += " AND ";
            all_null += "(" + operands[k] + ") IS NULL";
        }
    }
    if (never_null) return "(" + joined + ")";
    return "(CASE WHEN " + all_null + " THEN NULL ELSE " + joined + " END)";
}

std::string render(const std::vector<Node>& seq, int depth) {
    if (depth > kMaxDepth) refuse("SQL 敘述的括號層數過多");
    const std::vector<Part> parts = to_parts(seq, depth);
    std::string out;
    std::size_t done = 0;  // parts[0, done) are written
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].kind != Piece::Op || parts[i].text != "&") continue;
        const std::size_t start = operand_start(parts, i);
        if (start == i || start < done) refuse("& 的左邊缺少運算元");
        std::vector<std::string> operands{join_text(parts, start, i)};
        std::vector<bool> literal{is_single_literal(parts, start, i)};
        std::size_t amp = i;
        std::size_t end;
        for (;;) {
            end = operand_end(parts, amp);
            if (end == amp + 1) refuse("& 的右邊缺少運算元");
            operands.push_back(join_text(parts, amp + 1, end));
            literal.push_back(is_single_literal(parts, amp + 1, end));
            std::size_t next = end;
            while (next < parts.size() && parts[next].kind == Piece::Space) ++next;
            if (next < parts.size() && parts[next].kind == Piece::Op && parts[next].text == "&") {
                amp = next;
                continue;
            }
            break;
        }
        // Keep the blanks that stood around the whole chain.
        for (std::size_t k = done; k < start; ++k) out += parts[k].text;
        std::string tail_space;
        std::size_t last = end;
        while (last > start && parts[last - 1].kind == Piece::Space) --last;
        for (std::size_t k = last; k < end; ++k) tail_space += parts[k].text;
        out += concatenation(operands, literal) + tail_space;
        done = end;
        i = end - 1;
    }
    for (std::size_t k = done; k < parts.size(); ++k) out += parts[k].text;
    return out;
}

std::string excerpt(std::string_view sql) {
    std::string s = trim(sql);
    return utf8_length(s) > 40 ? utf8_left(s, 40) + "..." : s;
}

// The statement without a closing ";" and the blanks after it.
std::vector<Token> single_statement(std::vector<Token> tokens, std::string_view sql) {
    const auto drop_blanks = [&tokens] {
        while (!tokens.empty() && tokens.back().kind == Kind::Space) tokens.pop_back();
    };
    drop_blanks();
    if (!tokens.empty() && tokens.back().kind == Kind::Op && tokens.back().text == ";") {
        tokens.pop_back();
        drop_blanks();
    }
    std::size_t first = 0;
    while (first < tokens.size() && tokens[first].kind == Kind::Space) ++first;
    if (first == tokens.size()) refuse("SQL 敘述是空的");
    if (tokens[first].kind != Kind::Word || tokens[first].lower != "select") {
        refuse("只接受讀取資料的 SELECT 敘述: " + excerpt(sql));
    }
    return tokens;
}

}  // namespace

std::string translate_access_sql(std::string_view access_sql) {
    const std::vector<Token> tokens = single_statement(jet_sql::tokenize(access_sql), access_sql);
    std::size_t i = 0;
    const std::vector<Node> tree = build_tree(tokens, i, 0);
    return render(tree, 0);
}

std::vector<std::string> tables_named(std::string_view access_sql) {
    std::vector<std::string> names;
    for (const auto& ref : jet_sql::table_refs(jet_sql::tokenize(access_sql))) {
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const std::string& n) { return iequals(n, ref.name); });
        if (!seen) names.push_back(ref.name);
    }
    return names;
}

}  // namespace zol
