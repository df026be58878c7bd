#include "app/zol5300/sampledb_writer.h"

#include <stdexcept>

namespace zol::app::sample {

namespace {

struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtCloser>;

// The package's tables as the report program reads them. Dates are DATETIME columns
// holding 'YYYY-MM-DD'; Yes/No columns hold -1 and 0.
constexpr const char* kSchema = R"sql(
CREATE TABLE ZOL3_Status (Stsid INTEGER, StsName TEXT);
CREATE TABLE ZOL4_Item (Itemid INTEGER, ItemName TEXT);
CREATE TABLE ZOL6_Group (GrpID INTEGER, GrpName TEXT);
CREATE TABLE ZOL7_Student (Stdid INTEGER, StdNo TEXT, Grade INTEGER, ClsID INTEGER,
  SeatNo INTEGER, StdName TEXT, DelMark INTEGER);
CREATE TABLE ZOL8_Payment (Stdid INTEGER, TranDay DATETIME, Grpid INTEGER, PayAmt INTEGER,
  Fee INTEGER, Netfee INTEGER, payway TEXT, preway TEXT, flow_number TEXT, PayDay DATETIME,
  acctid TEXT, NetATMFee INTEGER, CVSFee INTEGER, Paystas INTEGER);
CREATE TABLE Zol9_Payitem (Stdid INTEGER, Tranday DATETIME, Grpid INTEGER, Itemid INTEGER,
  Itemamt INTEGER);
CREATE TABLE ZOL10_Agency (TranDay DATETIME, GrpID INTEGER, PayStas INTEGER);
CREATE TABLE ZOL11_Class (Grade INTEGER, Clsid INTEGER, Clsid_name TEXT);
CREATE TABLE ZOL13_ClsGrpItem (Grade INTEGER, Clsid INTEGER, GrpID INTEGER, itemid INTEGER);
CREATE TABLE ZOL14_Stustas (Stdid INTEGER, Stsid INTEGER);
CREATE TABLE ZOL15_Grade (Grade INTEGER, Grade_name TEXT);
)sql";

// Indexes for the report's joins and the lists' lookups.
constexpr const char* kIndexes = R"sql(
CREATE INDEX ZOL7_Student_Stdid ON ZOL7_Student (Stdid);
CREATE INDEX ZOL7_Student_Class ON ZOL7_Student (Grade, ClsID, SeatNo);
CREATE INDEX ZOL8_Payment_Batch ON ZOL8_Payment (TranDay, Grpid, Stdid);
CREATE INDEX ZOL8_Payment_Student ON ZOL8_Payment (Stdid);
CREATE INDEX Zol9_Payitem_Payment ON Zol9_Payitem (Stdid, Tranday, Grpid);
CREATE INDEX ZOL10_Agency_Batch ON ZOL10_Agency (TranDay, GrpID);
CREATE INDEX ZOL4_Item_Itemid ON ZOL4_Item (Itemid);
CREATE INDEX ZOL11_Class_Key ON ZOL11_Class (Grade, Clsid);
CREATE INDEX ZOL13_ClsGrpItem_Item ON ZOL13_ClsGrpItem (itemid);
CREATE INDEX ZOL14_Stustas_Stsid ON ZOL14_Stustas (Stsid, Stdid);
)sql";

void bind(sqlite3_stmt* s, int i, long long v) {
    sqlite3_bind_int64(s, i, v);
}
void bind(sqlite3_stmt* s, int i, int v) {
    sqlite3_bind_int64(s, i, v);
}
void bind(sqlite3_stmt* s, int i, std::string_view v) {
    sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}
void bind(sqlite3_stmt* s, int i, const std::string& v) {
    bind(s, i, std::string_view(v));
}
void bind(sqlite3_stmt* s, int i, const std::optional<std::string>& v) {
    if (v) {
        bind(s, i, std::string_view(*v));
    } else {
        sqlite3_bind_null(s, i);
    }
}
void bind(sqlite3_stmt* s, int i, std::optional<std::string_view> v) {
    if (v) {
        bind(s, i, *v);
    } else {
        sqlite3_bind_null(s, i);
    }
}

}  // namespace

struct SampleWriter::Statements {
    Stmt grade, cls, status, group, item, cls_grp_item, student, student_status, batch, payment,
        pay_item;
};

SampleWriter::SampleWriter(const std::string& path) : path_(path) {
    const int rc = sqlite3_open_v2(
        path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE,
        nullptr);
    if (rc != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw std::runtime_error("無法建立資料庫 " + path + "：" + msg);
    }
    // A fresh file that is renamed into place only when complete: no journal needed.
    exec("PRAGMA journal_mode = OFF");
    exec("PRAGMA synchronous = OFF");
    exec("PRAGMA cache_size = -65536");
    exec("PRAGMA temp_store = MEMORY");
    exec("BEGIN");
    exec(kSchema);

    st_ = std::make_unique<Statements>();
    auto prepare = [this](const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("SQL 準備失敗：") + sqlite3_errmsg(db_));
        }
        return Stmt(s);
    };
    st_->grade = prepare("INSERT INTO ZOL15_Grade VALUES (?,?)");
    st_->cls = prepare("INSERT INTO ZOL11_Class VALUES (?,?,?)");
    st_->status = prepare("INSERT INTO ZOL3_Status VALUES (?,?)");
    st_->group = prepare("INSERT INTO ZOL6_Group VALUES (?,?)");
    st_->item = prepare("INSERT INTO ZOL4_Item VALUES (?,?)");
    st_->cls_grp_item = prepare("INSERT INTO ZOL13_ClsGrpItem VALUES (?,?,?,?)");
    st_->student = prepare("INSERT INTO ZOL7_Student VALUES (?,?,?,?,?,?,?)");
    st_->student_status = prepare("INSERT INTO ZOL14_Stustas VALUES (?,?)");
    st_->batch = prepare("INSERT INTO ZOL10_Agency VALUES (?,?,?)");
    st_->payment = prepare("INSERT INTO ZOL8_Payment VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    st_->pay_item = prepare("INSERT INTO Zol9_Payitem VALUES (?,?,?,?,?)");
}

SampleWriter::~SampleWriter() {
    st_.reset();  // statements before the connection
    if (db_) sqlite3_close_v2(db_);
}

void SampleWriter::exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error("寫入資料庫失敗：" + msg);
    }
}

namespace {

template <typename... T>
void run(sqlite3* db, const Stmt& stmt, const T&... values) {
    sqlite3_stmt* s = stmt.get();
    int i = 0;
    (bind(s, ++i, values), ...);
    if (sqlite3_step(s) != SQLITE_DONE) {
        throw std::runtime_error(std::string("寫入資料庫失敗：") + sqlite3_errmsg(db));
    }
    sqlite3_reset(s);
}

constexpr int yes_no(bool b) {
    return b ? -1 : 0;
}

}  // namespace

void SampleWriter::add_grade(int grade, std::string_view name) {
    run(db_, st_->grade, grade, name);
}
void SampleWriter::add_class(int grade, int clsid, std::string_view name) {
    run(db_, st_->cls, grade, clsid, name);
}
void SampleWriter::add_status(int stsid, std::optional<std::string_view> name) {
    run(db_, st_->status, stsid, name);
}
void SampleWriter::add_group(int grpid, std::string_view name) {
    run(db_, st_->group, grpid, name);
}
void SampleWriter::add_item(int itemid, std::string_view name) {
    run(db_, st_->item, itemid, name);
}
void SampleWriter::add_class_group_item(int grade, int clsid, int grpid, int itemid) {
    run(db_, st_->cls_grp_item, grade, clsid, grpid, itemid);
}
void SampleWriter::add_student(const StudentRow& s) {
    run(db_, st_->student, s.stdid, s.stdno, s.grade, s.clsid, s.seatno, s.name, yes_no(s.removed));
}
void SampleWriter::add_student_status(int stdid, int stsid) {
    run(db_, st_->student_status, stdid, stsid);
}
void SampleWriter::add_batch(std::string_view tranday, int grpid, bool closed) {
    run(db_, st_->batch, tranday, grpid, yes_no(closed));
}
void SampleWriter::add_payment(const PaymentRow& p) {
    run(db_, st_->payment, p.stdid, p.tranday, p.group, p.payamt, p.fee, p.netfee,
        std::string_view(&p.payway, 1), std::string_view(&p.preway, 1), p.flow_number, p.payday,
        p.acctid, p.net_atm_fee, p.cvs_fee, yes_no(p.paid));
}
void SampleWriter::add_pay_item(int stdid, std::string_view tranday, int grpid, int itemid,
                                long long amount) {
    run(db_, st_->pay_item, stdid, tranday, grpid, itemid, amount);
}

void SampleWriter::finish() {
    exec(kIndexes);
    exec("COMMIT");
    st_.reset();
    const int rc = sqlite3_close_v2(db_);
    db_ = nullptr;
    if (rc != SQLITE_OK) throw std::runtime_error("關閉資料庫失敗：" + path_);
}

}  // namespace zol::app::sample
