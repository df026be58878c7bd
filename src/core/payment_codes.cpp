#include "core/payment_codes.h"

namespace zol {

const PaywayCode* find_payway(std::string_view code) {
    for (const PaywayCode& c : kPaywayCodes) {
        if (c.code == code) return &c;
    }
    return nullptr;
}

std::string payway_codes_of(MethodBox box, std::string_view separator) {
    std::string out;
    for (const PaywayCode& c : kPaywayCodes) {
        if (c.box != box) continue;
        if (!out.empty()) out += separator;
        out += c.code;
    }
    return out;
}

}  // namespace zol
