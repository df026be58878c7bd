// Writes the tables of a package database in its SQLite form: one transaction, one
// prepared statement per table, indexes built after the rows are in.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zol::app::sample {

struct StudentRow {
    int stdid;
    std::string stdno;
    int grade;
    int clsid;
    int seatno;
    std::string name;
    bool removed;
};

struct PaymentRow {
    int stdid;
    std::string_view tranday;
    int group;
    long long payamt;
    long long fee;
    long long netfee;
    char payway;  // '1'..'7'
    char preway;  // '1' or '2'
    std::optional<std::string> flow_number;
    std::optional<std::string> payday;
    std::optional<std::string> acctid;
    long long net_atm_fee;
    long long cvs_fee;
    bool paid;
};

class SampleWriter {
  public:
    // Creates a new database file at `path` (which must not exist yet) with empty tables.
    explicit SampleWriter(const std::string& path);
    ~SampleWriter();
    SampleWriter(const SampleWriter&) = delete;
    SampleWriter& operator=(const SampleWriter&) = delete;

    void add_grade(int grade, std::string_view name);
    void add_class(int grade, int clsid, std::string_view name);
    void add_status(int stsid, std::optional<std::string_view> name);
    void add_group(int grpid, std::string_view name);
    void add_item(int itemid, std::string_view name);
    void add_class_group_item(int grade, int clsid, int grpid, int itemid);
    void add_student(const StudentRow& s);
    void add_student_status(int stdid, int stsid);
    void add_batch(std::string_view tranday, int grpid, bool closed);
    void add_payment(const PaymentRow& p);
    void add_pay_item(int stdid, std::string_view tranday, int grpid, int itemid, long long amount);

    // Builds the indexes, commits and closes the file.
    void finish();

  private:
    struct Statements;
    void exec(const char* sql);

    std::string path_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> st_;
};

}  // namespace zol::app::sample
