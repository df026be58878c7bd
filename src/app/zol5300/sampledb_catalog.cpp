#include "app/zol5300/sampledb_catalog.h"

#include <algorithm>

namespace zol::app::sample {

namespace {

enum Item {
    kTuition = 1,
    kMiscellaneous,
    kAgency,
    kLunch,
    kAfterSchool,
    kInsurance,
    kParents,
    kComputer,
    kAirCon,
    kTransport,
    kBooks,
    kOuting,
    kUniform,
    kSwimming,
    kSnack,
    kMaterials,
    kHealthCheck,
    kClassFund,
    kYearbook,
    kMakeUp,
    kGuidance,
    kOther,
};
constexpr int kDeletedItem = 23;

enum Group { kTuitionGroup = 1, kAgencyGroup, kLunchGroup, kAfterSchoolGroup, kKindergartenGroup };

bool is_kindergarten(int grade) {
    return grade >= 13;
}

}  // namespace

const std::vector<int>& grades() {
    static const std::vector<int> g = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    return g;
}

const std::vector<Named>& grade_names() {
    // Grade 11 has lost its name row: its students are still reported, without a name.
    static const std::vector<Named> g = {
        {1, "一年級"},      {2, "二年級"},      {3, "三年級"},    {4, "四年級"},
        {5, "五年級"},      {6, "六年級"},      {7, "七年級"},    {8, "八年級"},
        {9, "九年級"},      {10, "十年級"},     {12, "十二年級"}, {13, "幼兒園小班"},
        {14, "幼兒園中班"}, {15, "幼兒園大班"},
    };
    return g;
}

std::string class_name(int grade, int clsid) {
    static const std::vector<std::string> school = {"忠班", "孝班", "仁班", "愛班", "信班", "義班",
                                                    "和班", "平班", "智班", "勇班", "誠班", "勤班",
                                                    "樸班", "實班", "禮班", "樂班"};
    static const std::vector<std::string> kindergarten = {
        "小熊班", "小兔班", "蘋果班", "櫻桃班", "向日葵班", "蒲公英班", "星星班", "月亮班"};
    const auto& names = is_kindergarten(grade) ? kindergarten : school;
    if (clsid >= 1 && clsid <= static_cast<int>(names.size())) {
        return names[static_cast<std::size_t>(clsid - 1)];
    }
    return "第" + std::to_string(clsid) + "班";
}

int unnamed_class_from_last(int grade) {
    return grade == 5 ? 0 : -1;
}

const std::vector<Named>& statuses() {
    static const std::vector<Named> s = {
        {1, "一般生"},       {2, "低收入戶"},   {3, "中低收入戶"},   {4, "原住民"},
        {5, "身心障礙"},     {6, "軍公教遺族"}, {7, "現役軍人子女"}, {8, "家境清寒"},
        {9, "特殊境遇家庭"}, {10, ""},
    };
    return s;
}

const std::vector<Named>& groups() {
    static const std::vector<Named> g = {
        {kTuitionGroup, "學雜費"},
        {kAgencyGroup, "代辦費"},
        {kLunchGroup, "午餐費"},
        {kAfterSchoolGroup, "課後輔導費"},
        {kKindergartenGroup, "幼兒園月費"},
        {6, "暑期活動費"},
    };
    return g;
}

const std::vector<Named>& items() {
    static const std::vector<Named> i = {
        {kTuition, "學費"},          {kMiscellaneous, "雜費"},     {kAgency, "代辦費"},
        {kLunch, "午餐費"},          {kAfterSchool, "課輔費"},     {kInsurance, "保險費"},
        {kParents, "家長會費"},      {kComputer, "電腦使用費"},    {kAirCon, "冷氣費"},
        {kTransport, "交通費"},      {kBooks, "書籍費"},           {kOuting, "校外教學費"},
        {kUniform, "制服費"},        {kSwimming, "游泳課費"},      {kSnack, "點心費"},
        {kMaterials, "材料費"},      {kHealthCheck, "健康檢查費"}, {kClassFund, "班級費"},
        {kYearbook, "畢業紀念冊費"}, {kMakeUp, "重補修費"},        {kGuidance, "輔導活動費"},
        {kOther, "其他費用"},
    };
    return i;
}

int deleted_item() {
    return kDeletedItem;
}
int unassigned_item() {
    return kOther;
}

const std::vector<Batch>& batches() {
    // Two terms a year: school fees at the start of a term, lunch and after-school
    // classes a month later. The latest batches are not all closed yet.
    static const std::vector<Batch> b = {
        {"2024-09-10", kTuitionGroup, true},      {"2024-09-10", kAgencyGroup, true},
        {"2024-09-10", kKindergartenGroup, true}, {"2024-10-15", kLunchGroup, true},
        {"2024-10-15", kAfterSchoolGroup, true},  {"2025-02-20", kTuitionGroup, true},
        {"2025-02-20", kAgencyGroup, true},       {"2025-02-20", kKindergartenGroup, true},
        {"2025-03-20", kLunchGroup, true},        {"2025-03-20", kAfterSchoolGroup, true},
        {"2025-09-10", kTuitionGroup, true},      {"2025-09-10", kAgencyGroup, true},
        {"2025-09-10", kKindergartenGroup, true}, {"2025-10-15", kLunchGroup, true},
        {"2025-10-15", kAfterSchoolGroup, true},  {"2026-02-24", kTuitionGroup, true},
        {"2026-02-24", kAgencyGroup, false},      {"2026-02-24", kKindergartenGroup, true},
        {"2026-03-20", kLunchGroup, false},       {"2026-03-20", kAfterSchoolGroup, false},
    };
    return b;
}

bool group_serves_grade(int group, int grade) {
    switch (group) {
        case kTuitionGroup:
        case kAgencyGroup:
            return !is_kindergarten(grade);
        case kLunchGroup:
            return grade <= 9 || is_kindergarten(grade);
        case kAfterSchoolGroup:
            return grade <= 9;
        case kKindergartenGroup:
            return is_kindergarten(grade);
        default:
            return false;
    }
}

int group_participation_percent(int group) {
    switch (group) {
        case kLunchGroup:
            return 85;
        case kAfterSchoolGroup:
            return 35;
        default:
            return 100;
    }
}

std::vector<Charge> charges(int group, int grade, std::size_t batch_no) {
    // Prices rise a little each term and with the school level.
    const int term = static_cast<int>(batch_no) / 5;
    const int level = grade <= 6 ? 0 : (grade <= 9 ? 1 : (grade <= 12 ? 2 : 3));
    auto price = [&](int base, int per_level) { return base + per_level * level + term * 10; };
    std::vector<Charge> c;
    switch (group) {
        case kTuitionGroup:
            if (grade >= 10) c.push_back({kTuition, 100, price(5200, 400)});
            if (grade >= 7) c.push_back({kMiscellaneous, 100, price(1100, 300)});
            if (grade >= 3) c.push_back({kComputer, 100, price(300, 100)});
            c.push_back({kAirCon, 100, price(400, 0)});
            c.push_back({kInsurance, 100, 170});
            c.push_back({kParents, 100, 100});
            break;
        case kAgencyGroup:
            c.push_back({kAgency, 100, price(800, 150)});
            c.push_back({kBooks, 100, price(1000, 250)});
            c.push_back({kGuidance, 100, 300});
            c.push_back({kClassFund, 100, 200});
            c.push_back({kOuting, 75, price(900, 200)});
            c.push_back({kTransport, 20, price(2400, 0)});
            if (grade == 1 || grade == 4 || grade == 7 || grade == 10) {
                c.push_back({kHealthCheck, 100, 250});
            }
            if (grade == 1 || grade == 7 || grade == 10)
                c.push_back({kUniform, 100, price(1500, 200)});
            if (grade >= 3 && grade <= 6) c.push_back({kSwimming, 100, 600});
            if (grade == 6 || grade == 9 || grade == 12) c.push_back({kYearbook, 100, 650});
            if (grade >= 10) c.push_back({kMakeUp, 10, 1050});
            // Some payments of the first term still carry an item deleted since.
            if (batch_no <= 1) c.push_back({kDeletedItem, 3, 350});
            std::sort(c.begin(), c.end(),
                      [](const Charge& a, const Charge& b) { return a.item < b.item; });
            break;
        case kLunchGroup:
            c.push_back({kLunch, 100, price(2300, 100)});
            break;
        case kAfterSchoolGroup:
            c.push_back({kAfterSchool, 100, price(1800, 200)});
            break;
        case kKindergartenGroup:
            c.push_back({kTuition, 100, price(7000, 0)});
            c.push_back({kMiscellaneous, 100, price(2500, 0)});
            c.push_back({kInsurance, 100, 170});
            c.push_back({kTransport, 40, price(2000, 0)});
            c.push_back({kSnack, 100, price(1200, 0)});
            c.push_back({kMaterials, 100, price(500, 0)});
            break;
        default:
            break;
    }
    return c;
}

const std::vector<std::string>& family_names() {
    static const std::vector<std::string> f = {
        "陳", "林", "黃", "張", "李", "王", "吳", "劉",   "蔡",   "楊",   "許",   "鄭", "謝",
        "郭", "洪", "邱", "曾", "廖", "賴", "徐", "周",   "葉",   "蘇",   "莊",   "呂", "江",
        "何", "蕭", "羅", "高", "潘", "簡", "朱", "鍾",   "彭",   "游",   "詹",   "胡", "施",
        "沈", "余", "盧", "梁", "趙", "顏", "柯", "翁",   "魏",   "孫",   "戴",   "范", "方",
        "宋", "鄧", "杜", "傅", "侯", "曹", "薛", "丁",   "卓",   "馬",   "董",   "唐", "藍",
        "蔣", "石", "古", "紀", "姚", "連", "馮", "歐陽", "司馬", "張簡", "范姜",
    };
    return f;
}

const std::vector<std::string>& given_name_chars() {
    static const std::vector<std::string> g = {
        "志", "明", "俊", "傑", "宏", "家", "豪", "建", "文", "冠", "宇", "承", "恩", "柏",
        "翰", "彥", "廷", "子", "軒", "品", "睿", "宥", "辰", "昱", "哲", "威", "雅", "婷",
        "怡", "君", "欣", "宜", "佳", "穎", "詩", "涵", "思", "妤", "雨", "萱", "芷", "瑄",
        "筱", "晴", "語", "彤", "心", "亭", "琪", "淑", "芬", "美", "玲", "惠", "嘉", "偉",
        "信", "安", "凱", "翔", "維", "誠", "書", "瑋", "庭", "婕", "羽", "澄", "沛", "蓁",
        "薇", "柔", "珮", "政", "達", "仁", "勳", "德", "育", "銘",
    };
    return g;
}

std::vector<std::string> all_texts() {
    std::vector<std::string> t;
    for (const auto& n : grade_names()) t.push_back(n.name);
    for (int g : grades()) {
        for (int c = 1; c <= 20; ++c) t.push_back(class_name(g, c));
    }
    for (const auto& n : statuses()) t.push_back(n.name);
    for (const auto& n : groups()) t.push_back(n.name);
    for (const auto& n : items()) t.push_back(n.name);
    for (const auto& s : family_names()) t.push_back(s);
    for (const auto& s : given_name_chars()) t.push_back(s);
    return t;
}

}  // namespace zol::app::sample
