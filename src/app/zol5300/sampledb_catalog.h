// The fixed part of the sample database: grades, classes, identity categories, payment
// groups, fee items, collection batches and the name pools students are drawn from.
#pragma once

#include <string>
#include <vector>

namespace zol::app::sample {

struct Named {
    int id;
    std::string name;
};

// One collection batch: a payment group collected on a date.
struct Batch {
    std::string tranday;  // "YYYY-MM-DD"
    int group;
    bool closed;  // PayStas of the batch: only closed batches are reported
};

// A fee item as a payment group charges it to one grade.
struct Charge {
    int item;
    int share_percent;  // students that have it (100: everyone)
    int amount;         // per student
};

// Grades 1..12 and the kindergarten levels 13..15.
const std::vector<int>& grades();
// Grade names; the grade left out on purpose has none.
const std::vector<Named>& grade_names();
// The name of class number `clsid` (1-based) of a grade.
std::string class_name(int grade, int clsid);
// The class of the given grade left without a name row, by its number among the grade's
// classes counted from the last (0 = the last class); -1 for none.
int unnamed_class_from_last(int grade);

// Identity categories; an entry with an empty name is stored with a null name.
const std::vector<Named>& statuses();
const std::vector<Named>& groups();
// Fee items that exist in the item table.
const std::vector<Named>& items();
// An item id that payments still use after its item row was deleted.
int deleted_item();
// Items present in the item table but assigned to no class.
int unassigned_item();

const std::vector<Batch>& batches();
// Whether a grade pays in a group at all, and what it is charged there. `batch_no`
// (0-based index into batches()) moves prices a little from term to term.
bool group_serves_grade(int group, int grade);
std::vector<Charge> charges(int group, int grade, std::size_t batch_no);
// Share of the grade's students that join the group (lunch, after-school classes).
int group_participation_percent(int group);

const std::vector<std::string>& family_names();
const std::vector<std::string>& given_name_chars();

// Every fixed text of this catalog that will be written to the database; a failure to
// convert any of them to Big5 is a mistake in the catalog.
std::vector<std::string> all_texts();

}  // namespace zol::app::sample
