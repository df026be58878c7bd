// Reading the Jet file's tables with libmdb and writing them into table files.
#include "data/jet/jet_file_reader.h"

#include <fcntl.h>
#include <mdbtools.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/safe_open.h"
#include "core/text.h"
#include "core/unique_fd.h"
#include "data/db_error.h"
#include "data/jet/jet_header.h"
#include "data/jet/jet_page_checks.h"
#include "data/jet/jet_table_file.h"
#include "data/jet/jet_values.h"
#include "data/jet/jet_wire.h"

namespace zol {

namespace {

// Memo text longer than this (in UTF-8 bytes) is cut, as libmdb's own tools cut it.
constexpr std::size_t kMemoBindSize = 1 << 18;
constexpr std::size_t kOleChunk = 1 << 16;
constexpr int kOffsetMask = 0x1fff;

struct Failure {
    std::string reason;
};

std::string declared_type(const MdbColumn& col) {
    switch (col.col_type) {
        case MDB_BOOL:
            return "BOOLEAN";
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return "INTEGER";
        case MDB_MONEY:
            return "CURRENCY";
        case MDB_FLOAT:
            return "FLOAT";
        case MDB_DOUBLE:
            return "DOUBLE";
        case MDB_DATETIME:
            return "DATETIME";
        case MDB_NUMERIC:
            // libmdb keeps the precision in col_scale and the scale in col_prec (its own
            // schema output and numeric formatting read them that way round).
            return "DECIMAL(" + std::to_string(col.col_scale) + "," + std::to_string(col.col_prec) +
                   ")";
        case MDB_BINARY:
        case MDB_OLE:
            return "BLOB";
        default:
            return "TEXT";
    }
}

// Everything libmdb hands back is checked to lie inside the page before it is read.
bool in_page(int start, int len) {
    return start >= 0 && len >= 0 && start <= static_cast<int>(kJet4PageSize) &&
           len <= static_cast<int>(kJet4PageSize) - start;
}

class TableWriter {
  public:
    TableWriter(MdbHandle* mdb, MdbTableDef* table, JetTableFileWriter& out,
                std::uint64_t file_size)
        : mdb_(mdb), table_(table), out_(out), file_size_(file_size) {}

    // The number of rows written.
    std::uint64_t write() {
        const unsigned ncols = table_->num_cols;
        std::vector<JetColumnDef> defs;
        ole_buffers_.reserve(ncols);  // bound buffers must not move
        for (unsigned i = 0; i < ncols; ++i) {
            const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
            defs.push_back({col->name, declared_type(*col)});
            if (col->col_type == MDB_OLE) {
                ole_buffers_.emplace_back(kOleChunk + kJet4PageSize, '\0');
                mdb_bind_column(table_, static_cast<int>(i + 1), ole_buffers_.back().data(),
                                nullptr);
            }
        }
        out_.begin_table(table_->name, defs);
        fields_.resize(ncols);
        mdb_rewind_table(table_);
        std::uint64_t rows = 0;
        for (; mdb_fetch_row(table_); ++rows) write_row();
        out_.end_table();
        return rows;
    }

  private:
    void write_row() {
        // libmdb's own pass has bound nothing but OLE headers; crack the row again to learn
        // which fields are null (an empty text and a null look alike afterwards).
        int start = 0;
        size_t len = 0;
        if (table_->cur_row == 0 ||
            mdb_find_row(mdb_, static_cast<int>(table_->cur_row - 1), &start, &len) != 0) {
            throw Failure{maybe_damaged("資料列位置不正確")};
        }
        start &= kOffsetMask;
        if (!in_page(start, static_cast<int>(len))) {
            throw Failure{maybe_damaged("資料列超出資料頁範圍")};
        }
        const unsigned ncols = table_->num_cols;
        for (unsigned i = 0; i < ncols; ++i) {
            fields_[i] = MdbField{};
            fields_[i].is_null = 1;
            fields_[i].colnum = static_cast<int>(i);
        }
        const int cracked = mdb_crack_row(table_, start, len, fields_.data());
        if (cracked < 0) throw Failure{maybe_damaged("資料列格式不正確")};
        cells_.assign(ncols, nullptr);
        for (unsigned i = 0; i < ncols && i < static_cast<unsigned>(cracked); ++i) {
            const int c = fields_[i].colnum;
            if (c < 0 || c >= static_cast<int>(ncols)) {
                throw Failure{maybe_damaged("資料列欄位編號不正確")};
            }
            cells_[static_cast<unsigned>(c)] = &fields_[i];
        }
        out_.begin_row();
        for (unsigned i = 0; i < ncols; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
            write_cell(*col, cells_[i]);
        }
    }

    void need(const MdbField& f, int size) {
        if (f.siz < size || !in_page(f.start, size)) {
            throw Failure{maybe_damaged("欄位資料超出資料頁範圍")};
        }
    }

    void write_cell(MdbColumn& col, const MdbField* f) {
        if (col.col_type == MDB_BOOL) {
            // Yes/No lives in the null mask: a set bit is Yes.
            out_.integer_cell(f && !f->is_null ? -1 : 0);
            return;
        }
        if (!f || f->is_null) {
            out_.null_cell();
            return;
        }
        const unsigned char* p = mdb_->pg_buf + (f->start >= 0 ? f->start : 0);
        switch (col.col_type) {
            case MDB_BYTE:
                need(*f, 1);
                out_.integer_cell(p[0]);
                return;
            case MDB_INT: {
                need(*f, 2);
                std::int16_t v;
                std::memcpy(&v, p, 2);
                out_.integer_cell(v);
                return;
            }
            case MDB_LONGINT:
            case MDB_COMPLEX: {
                need(*f, 4);
                std::int32_t v;
                std::memcpy(&v, p, 4);
                out_.integer_cell(v);
                return;
            }
            case MDB_MONEY: {
                need(*f, 8);
                std::int64_t units;
                std::memcpy(&units, p, 8);
                write_number(jet_currency(units));
                return;
            }
            case MDB_FLOAT: {
                need(*f, 4);
                float v;
                std::memcpy(&v, p, 4);
                out_.real_cell(jet_single(v));
                return;
            }
            case MDB_DOUBLE: {
                need(*f, 8);
                double v;
                std::memcpy(&v, p, 8);
                out_.real_cell(v);
                return;
            }
            case MDB_DATETIME: {
                need(*f, 8);
                double v;
                std::memcpy(&v, p, 8);
                if (auto text = jet_date_text(v)) {
                    out_.text_cell(*text);
                } else {
                    out_.null_cell();
                }
                return;
            }
            case MDB_NUMERIC: {
                need(*f, 17);
                write_owned_text(mdb_numeric_to_string(mdb_, f->start, col.col_scale, col.col_prec),
                                 true);
                return;
            }
            case MDB_TEXT: {
                need(*f, 0);
                need(*f, f->siz);
                text_buf_.resize(static_cast<std::size_t>(f->siz) * 3 + 16);
                const int n = mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(p),
                                                static_cast<size_t>(f->siz), text_buf_.data(),
                                                text_buf_.size());
                const auto len =
                    n > 0 ? std::min(static_cast<std::size_t>(n), text_buf_.size()) : 0;
                out_.text_cell(std::string_view(text_buf_.data(), len));
                return;
            }
            case MDB_MEMO:
                need(*f, f->siz);
                write_owned_text(mdb_col_to_string(mdb_, mdb_->pg_buf, f->start, MDB_MEMO, f->siz),
                                 false);
                return;
            case MDB_REPID:
                // libmdb's own text of it lacks the dash before the last group.
                need(*f, 16);
                out_.text_cell(jet_guid_text(p));
                return;
            case MDB_BINARY:
                need(*f, f->siz);
                out_.blob_cell(std::string_view(reinterpret_cast<const char*>(p),
                                                static_cast<std::size_t>(f->siz)));
                return;
            case MDB_OLE:
                write_ole(col, *f);
                return;
            default:
                need(*f, f->siz);
                out_.blob_cell(std::string_view(reinterpret_cast<const char*>(p),
                                                static_cast<std::size_t>(f->siz)));
                return;
        }
    }

    void write_number(const JetNumber& n) {
        if (const auto* i = std::get_if<std::int64_t>(&n)) {
            out_.integer_cell(*i);
        } else {
            out_.real_cell(std::get<double>(n));
        }
    }

    // Takes a g_malloc'ed text from libmdb.
    void write_owned_text(char* text, bool as_number) {
        std::unique_ptr<char, decltype(&g_free)> owned(text, &g_free);
        const std::string_view s = text ? std::string_view(text) : std::string_view();
        if (as_number) {
            if (auto n = jet_decimal(s)) {
                write_number(*n);
            } else {
                out_.null_cell();
            }
        } else {
            out_.text_cell(s);
        }
    }

    void write_ole(MdbColumn& col, const MdbField& f) {
        need(f, MDB_MEMO_OVERHEAD);
        char header[MDB_MEMO_OVERHEAD];
        std::memcpy(header, mdb_->pg_buf + f.start, MDB_MEMO_OVERHEAD);
        blob_.clear();
        size_t n = mdb_ole_read(mdb_, &col, header, kOleChunk);
        const auto* chunk = static_cast<const char*>(col.bind_ptr);
        // A long value's pages form a chain; a damaged chain can loop, so stop once it has
        // given more than the whole file could hold.
        while (n > 0) {
            blob_.append(chunk, n);
            if (blob_.size() > file_size_) throw Failure{maybe_damaged("OLE 物件的資料鏈不正確")};
            n = mdb_ole_read_next(mdb_, &col, header);
        }
        out_.blob_cell(blob_);
    }

    MdbHandle* mdb_;
    MdbTableDef* table_;
    JetTableFileWriter& out_;
    std::uint64_t file_size_;
    std::vector<MdbField> fields_;
    std::vector<const MdbField*> cells_;
    std::vector<std::string> ole_buffers_;
    std::vector<char> text_buf_;
    std::string blob_;
};

MdbCatalogEntry* find_table(MdbHandle* mdb, const std::string& wanted) {
    const std::string key = to_lower_ascii(wanted);
    if (!mdb->catalog) return nullptr;
    for (guint i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry && entry->object_type == MDB_TABLE && to_lower_ascii(entry->object_name) == key) {
            return entry;
        }
    }
    return nullptr;
}

// The file's pages read by number, for the checks of its structure: our own reads, not
// libmdb's, which passes over what it cannot read.
class PageFile {
  public:
    PageFile(const std::string& path, std::uint64_t page_count)
        : fd_(open_regular_file(path)), page_count_(page_count) {
        if (!fd_) throw Failure{cannot_open_database(errno)};
    }

    const unsigned char* page(std::uint64_t number) {
        if (number == 0 || number >= page_count_) throw JetDamage{number, "頁碼超出檔案範圍"};
        const ssize_t got = read_full_at(fd_.get(), buffer_.data(), buffer_.size(),
                                         static_cast<off_t>(number * kJet4PageSize));
        if (got < 0) throw Failure{cannot_read_database(errno)};
        if (got != static_cast<ssize_t>(buffer_.size())) throw JetDamage{number, "資料頁不完整"};
        return buffer_.data();
    }
    JetPageSource source() {
        return [this](std::uint64_t number) { return page(number); };
    }

  private:
    UniqueFd fd_;
    std::uint64_t page_count_;
    std::array<unsigned char, kJet4PageSize> buffer_{};
};

std::string damaged(const std::string& table, std::uint64_t page, const std::string& what) {
    return "資料庫檔案已損毀（資料表 " + table + " 第 " + std::to_string(page) + " 頁：" + what +
           "），請先以資料庫的修復功能修復後再試";
}

// A table definition page must exist and say so before libmdb follows it.
void check_definition_page(PageFile& file, unsigned long page) {
    if (file.page(page)[0] != MDB_PAGE_TABLE) throw JetDamage{page, "不是資料表的定義頁"};
}

// The data pages the table's usage map lists, in its order, as libmdb's scan visits them.
std::vector<std::uint64_t> usage_map_pages(MdbHandle* mdb, MdbTableDef* table,
                                           std::uint64_t definition_page,
                                           std::uint64_t page_count) {
    if (!table->usage_map || table->map_sz == 0)
        throw JetDamage{definition_page, "沒有資料頁的使用對照表"};
    std::vector<std::uint64_t> pages;
    for (std::uint64_t at = 0;;) {
        const gint32 next = mdb_map_find_next(
            mdb, table->usage_map, static_cast<unsigned>(table->map_sz), static_cast<guint32>(at));
        if (next == 0) return pages;
        // A map that goes back or lists more pages than the file has would loop the scan.
        if (next < 0 || static_cast<std::uint64_t>(next) <= at || pages.size() >= page_count)
            throw JetDamage{definition_page, "資料頁的使用對照表不正確"};
        at = static_cast<std::uint64_t>(next);
        pages.push_back(at);
    }
}

// What a fixed-length column of the kind takes; 0 where that varies.
unsigned kind_size(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_COMPLEX:
        case MDB_FLOAT:
            return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME:
            return 8;
        case MDB_REPID:
            return 16;
        case MDB_NUMERIC:
            return 17;
        default:
            return 0;
    }
}

// The kinds of column Jet 4 files hold: Yes/No to Memo, Replication ID, Decimal, the
// attachment kind (17) and the complex kind (18).
bool known_kind(int type) {
    return (type >= MDB_BOOL && type <= MDB_MEMO) || (type >= MDB_REPID && type <= MDB_COMPLEX);
}

std::vector<JetColumnPlace> column_places(MdbTableDef* table) {
    std::vector<JetColumnPlace> places;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        places.push_back({static_cast<unsigned>(col->col_num), col->is_fixed != 0, col->var_col_num,
                          static_cast<unsigned>(col->fixed_offset),
                          static_cast<unsigned>(col->col_size), kind_size(col->col_type),
                          col->col_type == MDB_BOOL, known_kind(col->col_type)});
    }
    return places;
}

// Reads one table into `cells` once its pages proved whole: every live row on them read, no
// more and no fewer than its definition records.
void read_checked_table(MdbHandle* mdb, MdbCatalogEntry* entry, MdbTableDef* table, PageFile& file,
                        std::uint64_t page_count, JetTableFileWriter& cells) {
    const std::uint64_t definition = entry->table_pg;
    const std::uint64_t live =
        count_checked_rows(file.source(), definition, column_places(table),
                           usage_map_pages(mdb, table, definition, page_count));
    if (live != table->num_rows)
        throw JetDamage{definition, "定義記載 " + std::to_string(table->num_rows) +
                                        " 列，資料頁上有 " + std::to_string(live) + " 列"};
    const std::uint64_t read = TableWriter(mdb, table, cells, page_count * kJet4PageSize).write();
    if (read != live)
        throw JetDamage{definition, "資料頁上有 " + std::to_string(live) + " 列，只讀出 " +
                                        std::to_string(read) + " 列"};
}

void read_tables(const std::string& path, std::uint64_t page_count,
                 const std::vector<std::string>& tables, JetTableFileWriter& cells,
                 JetWireWriter& out) {
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) throw Failure{"libmdb 無法開啟此資料庫檔案"};
    std::unique_ptr<MdbHandle, decltype(&mdb_close)> guard(mdb, &mdb_close);
    if (!IS_JET4(mdb) || mdb->fmt->pg_size != static_cast<ssize_t>(kJet4PageSize)) {
        throw Failure{"此檔案不是 Access 2000 (Jet 4) 格式的資料庫"};
    }
    mdb_set_bind_size(mdb, kMemoBindSize);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        throw Failure{maybe_damaged("無法讀取資料庫的系統目錄")};
    }
    PageFile file(path, page_count);
    for (const auto& name : tables) {
        MdbCatalogEntry* entry = find_table(mdb, name);
        if (!entry) {
            out.missing_table(name);
            continue;
        }
        try {
            check_definition_page(file, entry->table_pg);
            MdbTableDef* table = mdb_read_table(entry);
            if (!table) throw Failure{maybe_damaged("無法讀取資料表「" + name + "」的定義")};
            std::unique_ptr<MdbTableDef, decltype(&mdb_free_tabledef)> table_guard(
                table, &mdb_free_tabledef);
            if (!mdb_read_columns(table) || table->num_cols > MDB_MAX_COLS || !table->columns ||
                table->columns->len < table->num_cols) {
                throw Failure{maybe_damaged("無法讀取資料表「" + name + "」的欄位")};
            }
            read_checked_table(mdb, entry, table, file, page_count, cells);
        } catch (const JetDamage& d) {
            throw Failure{damaged(name, d.page, d.what)};
        }
    }
}

}  // namespace

int read_jet_tables(const std::string& path, std::uint64_t page_count,
                    const std::vector<std::string>& tables, int out_fd,
                    const std::string& table_file) {
    // Only this child reads these: the text must come out as UTF-8 and no debug switches
    // or search paths of the user's environment may apply.
    ::unsetenv("MDBICONV");
    ::unsetenv("MDB_ICONV");
    ::unsetenv("MDBOPTS");
    ::unsetenv("MDBPATH");
    JetWireWriter out(out_fd);
    try {
        JetTableFileWriter file(table_file, out);
        read_tables(path, page_count, tables, file, out);
        file.finish();
        out.done();
        return 0;
    } catch (const Failure& f) {
        out.failure(f.reason);
    } catch (const JetFileError& e) {
        out.failure(e.what());
    } catch (const std::bad_alloc&) {
        out.failure(maybe_damaged("讀取資料庫時記憶體不足"));
    } catch (const std::exception&) {
        out.failure("讀取資料庫時發生錯誤");
    }
    return 3;
}

}  // namespace zol
