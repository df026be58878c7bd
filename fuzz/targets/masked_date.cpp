// The masked pay-date conversion on arbitrary text: a query date or nothing.
#include <string_view>

#include "fuzz/targets/targets.h"
#include "query/check_text.h"

namespace zol::fuzz {

int masked_date(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto d = payday_query_date(text)) {
        // "mm/dd/yyyy": anything else would put a malformed literal into the query.
        if (d->size() < 10 || (*d)[2] != '/' || (*d)[5] != '/') std::abort();
    }
    return 0;
}

}  // namespace zol::fuzz
