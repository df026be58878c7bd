// The Access-dialect translator on arbitrary text: it may refuse, never misbehave.
#include "data/translate.h"

#include <string_view>

#include "data/db_error.h"
#include "fuzz/targets/targets.h"

namespace zol::fuzz {

int translate(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        (void)translate_access_sql(text);
        (void)tables_named(text);
    } catch (const DbError&) {
    }
    return 0;
}

}  // namespace zol::fuzz
