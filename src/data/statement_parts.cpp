#include "data/statement_parts.h"

namespace zol::jet_sql {

namespace {

std::vector<Token> solid(const std::vector<Token>& tokens) {
    std::vector<Token> out;
    for (const auto& t : tokens) {
        if (t.kind != Kind::Space) out.push_back(t);
    }
    return out;
}

bool is_op(const std::vector<Token>& t, std::size_t k, const char* op) {
    return k < t.size() && t[k].kind == Kind::Op && t[k].text == op;
}
bool is_name(const std::vector<Token>& t, std::size_t k) {
    return k < t.size() && t[k].kind == Kind::Word && !is_keyword(t[k].lower);
}
bool is_word(const std::vector<Token>& t, std::size_t k, const char* lower) {
    return k < t.size() && t[k].kind == Kind::Word && t[k].lower == lower;
}

}  // namespace

std::vector<TableRef> table_refs(const std::vector<Token>& all) {
    const std::vector<Token> t = solid(all);
    std::vector<TableRef> refs;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool from = is_word(t, i, "from");
        if (!from && !is_word(t, i, "join")) continue;
        std::size_t k = i + 1;
        for (;;) {
            while (is_op(t, k, "(")) ++k;
            if (!is_name(t, k)) break;  // a subquery, or nothing usable
            TableRef ref{bare_name(t[k].text), {}};
            ++k;
            if (is_word(t, k, "as")) ++k;
            if (is_name(t, k)) ref.alias = bare_name(t[k++].text);
            refs.push_back(std::move(ref));
            if (!from) break;
            // FROM a [As] x, b [As] y: the list goes on after each comma.
            while (is_op(t, k, ")")) ++k;
            if (!is_op(t, k, ",")) break;
            ++k;
        }
    }
    return refs;
}

std::vector<std::vector<Token>> select_items(const std::vector<Token>& all) {
    const std::vector<Token> t = solid(all);
    std::vector<std::vector<Token>> items;
    if (!is_word(t, 0, "select")) return items;
    std::size_t k = 1;
    while (is_word(t, k, "distinct") || is_word(t, k, "all") || is_word(t, k, "distinctrow")) ++k;
    items.emplace_back();
    int depth = 0;
    for (; k < t.size(); ++k) {
        if (depth == 0 && is_word(t, k, "from")) break;
        if (is_op(t, k, "(")) ++depth;
        if (is_op(t, k, ")")) --depth;
        if (depth == 0 && is_op(t, k, ",")) {
            items.emplace_back();
            continue;
        }
        items.back().push_back(t[k]);
    }
    return items;
}

AggregateColumn max_min_column(const std::vector<Token>& item) {
    if (item.size() < 4 || !(is_word(item, 0, "max") || is_word(item, 0, "min")) ||
        !is_op(item, 1, "(")) {
        return {};
    }
    AggregateColumn col;
    std::size_t close;
    if (is_name(item, 2) && is_op(item, 3, ")")) {
        col.column = bare_name(item[2].text);
        close = 3;
    } else if (is_name(item, 2) && is_op(item, 3, ".") && is_name(item, 4) && is_op(item, 5, ")")) {
        col.qualifier = bare_name(item[2].text);
        col.column = bare_name(item[4].text);
        close = 5;
    } else {
        return {};
    }
    // Only an alias may follow.
    std::size_t k = close + 1;
    if (is_word(item, k, "as")) ++k;
    if (k < item.size() && is_name(item, k)) ++k;
    if (k != item.size()) return {};
    return col;
}

}  // namespace zol::jet_sql
