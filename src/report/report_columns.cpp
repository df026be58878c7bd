#include "report/report_columns.h"

namespace zol {

std::string lead_caption() {
    std::string caption;
    for (const LeadColumn& c : kLeadColumns) caption += c.caption;
    return caption;
}

}  // namespace zol
