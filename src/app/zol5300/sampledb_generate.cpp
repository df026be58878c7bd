#include "app/zol5300/sampledb_generate.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/zol5300/sampledb_catalog.h"
#include "app/zol5300/sampledb_rng.h"
#include "core/big5.h"
#include "core/date.h"
#include "core/numbers.h"
#include "core/payment_codes.h"

namespace zol::app::sample {

namespace {

// Lasting traits of a student, drawn once from the student's own generator.
struct Student {
    int stdid;
    int grade;
    int clsid;
    bool removed;
    char preway;
    std::string account;
    bool low_income;
    std::vector<int> joins;  // groups with a participation below 100% that the student joins
};

std::string add_days(const std::string& iso, int days) {
    const auto d = parse_iso_date(iso);
    if (!d) throw std::logic_error("bad catalog date " + iso);
    return iso_text(zol::add_days(*d, days));
}

void check_big5(const std::string& text) {
    const std::string big5 = to_big5(text);
    if (from_big5(big5) != text) throw std::logic_error("文字無法轉為 Big5：" + text);
}

std::string digits(SampleRng& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + rng.below(10)));
    return s;
}

std::string student_name(SampleRng& rng) {
    std::string name = rng.pick(family_names());
    const auto& given = given_name_chars();
    name += rng.pick(given);
    if (!rng.percent(8)) name += rng.pick(given);
    return name;
}

// Student numbers: the ROC year of entry and a serial; kindergarten numbers start with "A".
std::string student_number(int grade, int serial) {
    if (grade >= 13) {
        return "A" + std::to_string(114 - (grade - 13)) +
               zero_pad(static_cast<long long>(serial), 4);
    }
    return std::to_string(114 - (grade - 1)) + zero_pad(static_cast<long long>(serial), 4);
}

std::vector<long long> students_per_grade(long long total) {
    // Each school grade twice the size of a kindergarten level.
    const auto& g = grades();
    std::vector<int> weight;
    int sum = 0;
    for (int grade : g) {
        weight.push_back(grade >= 13 ? 1 : 2);
        sum += weight.back();
    }
    std::vector<long long> count(g.size());
    long long given = 0;
    for (std::size_t i = 0; i < g.size(); ++i) {
        count[i] = total * weight[i] / sum;
        given += count[i];
    }
    for (std::size_t i = 0; given < total; i = (i + 1) % g.size(), ++given) ++count[i];
    return count;
}

void assign_statuses(SampleRng& rng, int stdid, SampleWriter& out, bool& low_income) {
    low_income = false;
    if (rng.percent(1)) return;  // no category recorded
    if (rng.percent(85)) {
        out.add_student_status(stdid, 1);
        return;
    }
    // Special categories 2..10, the unnamed one rare.
    static const std::vector<int> weights = {20, 15, 20, 15, 5, 10, 10, 5, 2};
    const int first = 2 + static_cast<int>(rng.weighted(weights));
    out.add_student_status(stdid, first);
    low_income = first == 2;
    if (rng.percent(20)) {
        int second = 2 + static_cast<int>(rng.weighted(weights));
        if (second != first) {
            out.add_student_status(stdid, second);
            low_income = low_income || second == 2;
        }
    }
}

char payway_char(std::size_t index) {
    return kPaywayCodes[index].code[0];
}

bool is_transfer(char payway) {
    return payway == payway_char(0);
}

char draw_payway(SampleRng& rng, char preway) {
    if (is_transfer(preway) && rng.percent(88)) return preway;
    // The codes after the transfer, in table order: counter, cash, ATM, internet ATM,
    // convenience store, other counter.
    static const std::vector<int> weights = {35, 10, 15, 12, 23, 5};
    return payway_char(1 + rng.weighted(weights));
}

long long fee_of(char payway) {
    switch (payway) {
        case '1':
        case '4':
        case '5':
            return 10;
        case '3':
            return 0;
        default:
            return 15;
    }
}

}  // namespace

SampleSummary generate_sample(SampleWriter& out, long long students, std::uint64_t seed) {
    if (students < 1) throw std::invalid_argument("學生人數須大於 0");
    for (const auto& text : all_texts()) check_big5(text);

    SampleSummary sum;
    for (const auto& g : grade_names()) out.add_grade(g.id, g.name);
    for (const auto& s : statuses()) {
        out.add_status(s.id,
                       s.name.empty() ? std::nullopt : std::optional<std::string_view>(s.name));
    }
    for (const auto& g : groups()) out.add_group(g.id, g.name);
    for (const auto& i : items()) out.add_item(i.id, i.name);

    // Classes and students, grade by grade, in seat order.
    std::vector<Student> roll;
    roll.reserve(static_cast<std::size_t>(students));
    const std::vector<long long> per_grade = students_per_grade(students);
    int next_stdid = 1;
    for (std::size_t gi = 0; gi < grades().size(); ++gi) {
        const int grade = grades()[gi];
        const long long count = per_grade[gi];
        if (count == 0) continue;
        const long long classes = (count + kMaxClassSize - 1) / kMaxClassSize;
        int serial = 0;
        for (long long c = 1; c <= classes; ++c) {
            const int clsid = static_cast<int>(c);
            const long long size = count / classes + (c <= count % classes ? 1 : 0);
            if (unnamed_class_from_last(grade) != classes - c) {
                out.add_class(grade, clsid, class_name(grade, clsid));
            }
            for (const auto& g : groups()) {
                if (!group_serves_grade(g.id, grade)) continue;
                for (const Charge& ch : charges(g.id, grade, 0)) {
                    out.add_class_group_item(grade, clsid, g.id, ch.item);
                }
            }
            ++sum.classes;
            for (int seat = 1; seat <= size; ++seat) {
                const int stdid = next_stdid++;
                SampleRng rng = keyed_rng(seed, static_cast<std::uint64_t>(stdid), 1);
                Student s{stdid, grade, clsid, rng.percent(2), rng.percent(60) ? '1' : '2',
                          {},    false, {}};
                s.account = "000" + digits(rng, 4) + digits(rng, 7);
                out.add_student({stdid, student_number(grade, ++serial), grade, clsid, seat,
                                 student_name(rng), s.removed});
                assign_statuses(rng, stdid, out, s.low_income);
                for (const auto& g : groups()) {
                    const int p = group_participation_percent(g.id);
                    if (p < 100 && rng.percent(p)) s.joins.push_back(g.id);
                }
                sum.removed += s.removed ? 1 : 0;
                roll.push_back(std::move(s));
            }
        }
    }
    sum.students = static_cast<long long>(roll.size());

    for (const Batch& b : batches()) out.add_batch(b.tranday, b.group, b.closed);
    sum.batches = static_cast<long long>(batches().size());

    // Payments batch by batch; students removed in the first school year pay only then.
    const std::string removal_day = "2025-02-01";
    for (std::size_t bn = 0; bn < batches().size(); ++bn) {
        const Batch& b = batches()[bn];
        SampleRng rng = keyed_rng(seed, bn, 2);
        std::map<int, std::vector<Charge>> grade_charges;
        const int participation = group_participation_percent(b.group);
        int serial = 0;
        std::size_t in_batch = 0;
        for (const Student& s : roll) {
            if (!group_serves_grade(b.group, s.grade)) continue;
            if (s.removed && b.tranday >= removal_day) continue;
            if (participation < 100 &&
                std::find(s.joins.begin(), s.joins.end(), b.group) == s.joins.end()) {
                continue;
            }
            auto [it, fresh] = grade_charges.try_emplace(s.grade);
            if (fresh) it->second = charges(b.group, s.grade, bn);

            // The first payments of every batch use each payment method once.
            const bool forced = in_batch < kPaywayCodes.size();
            const bool paid = forced || !rng.percent(b.closed ? 4 : 35);
            const char payway = forced ? payway_char(in_batch) : draw_payway(rng, s.preway);
            ++in_batch;
            const bool waived = !forced && ((s.low_income && b.group == 1) || rng.permille(5));

            PaymentRow p{s.stdid,
                         b.tranday,
                         b.group,
                         0,
                         0,
                         0,
                         paid ? payway : s.preway,
                         s.preway,
                         std::nullopt,
                         std::nullopt,
                         std::nullopt,
                         0,
                         0,
                         paid};
            std::vector<std::pair<int, long long>> lines;
            for (const Charge& ch : it->second) {
                if (ch.share_percent < 100 && !rng.percent(ch.share_percent)) continue;
                const long long amount = waived ? 0 : ch.amount;
                lines.emplace_back(ch.item, amount);
                p.payamt += amount;
            }
            if (lines.empty()) continue;  // nothing charged: no payment either
            if (paid) {
                p.fee = p.payamt > 0 ? fee_of(payway) : 0;
                if (payway == '1' || payway == '2' || payway == '3' || payway == '7')
                    p.netfee = p.fee;
                if (payway == '4' || payway == '5') p.net_atm_fee = p.fee;
                if (payway == '6') p.cvs_fee = p.fee;
                if (!rng.percent(3)) {
                    const int shift = is_transfer(payway)
                                          ? (rng.percent(70) ? 0 : rng.between(1, 3))
                                          : -rng.between(1, 25);
                    p.payday = add_days(b.tranday, shift);
                }
                const int kind = rng.between(0, 99);
                ++serial;
                if (kind < 70) {
                    p.flow_number = std::to_string(serial);
                } else if (kind < 87) {
                    p.flow_number = "3" + digits(rng, 6);
                } else if (kind < 95) {
                    p.flow_number = "";
                }  // else null
            }
            if (is_transfer(p.payway)) {
                const int kind = rng.between(0, 99);
                if (kind < 85) {
                    p.acctid = s.account;
                } else if (kind < 93) {
                    p.acctid = "";
                }
            } else if (rng.percent(30)) {
                p.acctid = "";
            }
            out.add_payment(p);
            ++sum.payments;
            for (const auto& [item, amount] : lines) {
                out.add_pay_item(s.stdid, b.tranday, b.group, item, amount);
                ++sum.pay_items;
            }
        }
    }
    return sum;
}

}  // namespace zol::app::sample
