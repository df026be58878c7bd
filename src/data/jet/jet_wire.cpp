// Encoding and decoding of the child's table stream.
#include "data/jet/jet_wire.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/io_loop.h"

namespace zol {

namespace {

enum Tag : std::uint8_t {
    kTable = 'T',
    kRow = 'R',
    kEndTable = 'E',
    kMissing = 'M',
    kFailure = 'F',
    kDone = 'Z',
    kRows = 'N',
};

constexpr std::size_t kBufferSize = 1 << 16;

class Reader {
  public:
    explicit Reader(std::string_view s) : s_(s) {}
    bool at_end() const { return pos_ >= s_.size(); }
    bool u8(std::uint8_t& v) { return raw(&v, 1); }
    bool u32(std::uint32_t& v) { return raw(&v, 4); }
    bool i64(std::int64_t& v) { return raw(&v, 8); }
    bool f64(double& v) { return raw(&v, 8); }
    bool bytes(std::string_view& v) {
        std::uint32_t n = 0;
        if (!u32(n) || n > s_.size() - pos_) return false;
        v = s_.substr(pos_, n);
        pos_ += n;
        return true;
    }

  private:
    bool raw(void* p, std::size_t n) {
        if (n > s_.size() - pos_) return false;
        std::memcpy(p, s_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    std::string_view s_;
    std::size_t pos_ = 0;
};

}  // namespace

JetWireWriter::JetWireWriter(int fd) : fd_(fd) {
    buf_.reserve(kBufferSize);
}

JetWireWriter::~JetWireWriter() = default;

void JetWireWriter::put(const void* p, std::size_t n) {
    if (buf_.size() + n > kBufferSize) flush();
    buf_.append(static_cast<const char*>(p), n);
}

void JetWireWriter::put_bytes(std::string_view s) {
    put_u32(static_cast<std::uint32_t>(s.size()));
    if (s.size() > kBufferSize) {
        flush();
        buf_.assign(s);
        flush();
    } else {
        put(s.data(), s.size());
    }
}

void exit_failed(int err) {
    ::_exit(kExitSendFailed + (err > 0 && err < 150 ? err : EIO));
}

void JetWireWriter::flush() {
    if (!write_all(fd_, buf_.data(), buf_.size())) {
        // Nothing more can be sent: the exit code tells the parent why.
        exit_failed(errno);
    }
    buf_.clear();
}

void JetWireWriter::begin_table(std::string_view name, const std::vector<JetColumnDef>& columns) {
    put_u8(kTable);
    put_bytes(name);
    put_u32(static_cast<std::uint32_t>(columns.size()));
    for (const auto& c : columns) {
        put_bytes(c.name);
        put_bytes(c.declared_type);
    }
}

void JetWireWriter::begin_row() {
    put_u8(kRow);
}
void JetWireWriter::null_cell() {
    put_u8(static_cast<std::uint8_t>(JetCellKind::null));
}
void JetWireWriter::integer_cell(std::int64_t v) {
    put_u8(static_cast<std::uint8_t>(JetCellKind::integer));
    put(&v, 8);
}
void JetWireWriter::real_cell(double v) {
    put_u8(static_cast<std::uint8_t>(JetCellKind::real));
    put(&v, 8);
}
void JetWireWriter::text_cell(std::string_view v) {
    put_u8(static_cast<std::uint8_t>(JetCellKind::text));
    put_bytes(v);
}
void JetWireWriter::blob_cell(std::string_view v) {
    put_u8(static_cast<std::uint8_t>(JetCellKind::blob));
    put_bytes(v);
}
void JetWireWriter::end_table() {
    put_u8(kEndTable);
}
void JetWireWriter::missing_table(std::string_view name) {
    put_u8(kMissing);
    put_bytes(name);
}
void JetWireWriter::rows_written(std::uint64_t rows) {
    put_u8(kRows);
    put(&rows, 8);
    flush();
}
void JetWireWriter::failure(std::string_view reason) {
    put_u8(kFailure);
    put_bytes(reason);
    flush();
}
void JetWireWriter::done() {
    put_u8(kDone);
    flush();
}

JetWireOutcome parse_jet_wire(std::string_view stream, JetTableSink& sink) {
    JetWireOutcome out;
    Reader r(stream);
    std::vector<JetCell> cells;
    std::size_t columns = 0;
    bool in_table = false;
    while (!r.at_end()) {
        std::uint8_t tag = 0;
        r.u8(tag);
        switch (tag) {
            case kTable: {
                std::string_view name;
                std::uint32_t n = 0;
                if (in_table || !r.bytes(name) || !r.u32(n) || n > stream.size()) return out;
                std::vector<JetColumnDef> defs(n);
                for (auto& d : defs) {
                    std::string_view cname, ctype;
                    if (!r.bytes(cname) || !r.bytes(ctype)) return out;
                    d = {std::string(cname), std::string(ctype)};
                }
                sink.begin_table(name, defs);
                columns = n;
                cells.assign(n, JetCell{});
                in_table = true;
                break;
            }
            case kRow: {
                if (!in_table) return out;
                for (std::size_t i = 0; i < columns; ++i) {
                    std::uint8_t kind = 0;
                    JetCell c;
                    if (!r.u8(kind)) return out;
                    c.kind = static_cast<JetCellKind>(kind);
                    bool ok = true;
                    switch (c.kind) {
                        case JetCellKind::null:
                            break;
                        case JetCellKind::integer:
                            ok = r.i64(c.integer);
                            break;
                        case JetCellKind::real:
                            ok = r.f64(c.real);
                            break;
                        case JetCellKind::text:
                        case JetCellKind::blob:
                            ok = r.bytes(c.bytes);
                            break;
                        default:
                            ok = false;
                    }
                    if (!ok) return out;
                    cells[i] = c;
                }
                sink.row(cells);
                break;
            }
            case kEndTable:
                if (!in_table) return out;
                sink.end_table();
                in_table = false;
                break;
            case kMissing: {
                std::string_view name;
                if (in_table || !r.bytes(name)) return out;
                sink.missing_table(name);
                break;
            }
            case kRows: {
                std::int64_t rows = 0;
                if (!r.i64(rows)) return out;
                sink.rows_written(static_cast<std::uint64_t>(rows));
                break;
            }
            case kFailure: {
                std::string_view reason;
                if (!r.bytes(reason)) return out;
                out.failure.assign(reason);
                return out;
            }
            case kDone:
                out.complete = !in_table && r.at_end();
                return out;
            default:
                return out;
        }
    }
    return out;
}

}  // namespace zol
