// The byte stream in which the reading child hands tables to the parent: table headers,
// typed cells, and the child's own verdict. Both ends are this program, but the parent
// still checks every length, since a child that went wrong may have written anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zol {

struct JetColumnDef {
    std::string name;
    std::string declared_type;  // as the SQLite copy declares it
};

enum class JetCellKind : std::uint8_t { null = 0, integer = 1, real = 2, text = 3, blob = 4 };

struct JetCell {
    JetCellKind kind = JetCellKind::null;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view bytes;  // text (UTF-8) or blob; points into the stream
};

// Receives what the stream holds, in order.
class JetTableSink {
  public:
    virtual ~JetTableSink() = default;
    virtual void begin_table(std::string_view name, const std::vector<JetColumnDef>& columns) = 0;
    virtual void row(const std::vector<JetCell>& cells) = 0;
    virtual void end_table() = 0;
    // A table asked for that the file does not have.
    virtual void missing_table(std::string_view name) = 0;
    virtual void rows_written(std::uint64_t) {}
};

// Where the reading child puts a table's cells: this stream, or a table file.
class JetCellSink {
  public:
    virtual ~JetCellSink() = default;
    virtual void begin_table(std::string_view name, const std::vector<JetColumnDef>& columns) = 0;
    virtual void begin_row() = 0;
    virtual void null_cell() = 0;
    virtual void integer_cell(std::int64_t v) = 0;
    virtual void real_cell(double v) = 0;
    virtual void text_cell(std::string_view v) = 0;
    virtual void blob_cell(std::string_view v) = 0;
    virtual void end_table() = 0;
};

// Child side: buffered writing to a file descriptor. Write errors end the child (the
// parent has gone or given up on it).
// A child whose pipe write fails ends with this code plus the write's errno (errno values
// stay below 150, so the sum is a valid exit code).
inline constexpr int kExitSendFailed = 100;
// Ends a child that cannot go on with the reason `err` in its exit code.
[[noreturn]] void exit_failed(int err);

class JetWireWriter : public JetCellSink {
  public:
    explicit JetWireWriter(int fd);
    ~JetWireWriter() override;
    JetWireWriter(const JetWireWriter&) = delete;
    JetWireWriter& operator=(const JetWireWriter&) = delete;

    void begin_table(std::string_view name, const std::vector<JetColumnDef>& columns) override;
    void begin_row() override;
    void null_cell() override;
    void integer_cell(std::int64_t v) override;
    void real_cell(double v) override;
    void text_cell(std::string_view v) override;
    void blob_cell(std::string_view v) override;
    void end_table() override;
    void missing_table(std::string_view name);
    // Rows written so far to a table file; sent at once.
    void rows_written(std::uint64_t rows);
    // The child's reason for giving up, in the user's language.
    void failure(std::string_view reason);
    // Everything was written.
    void done();
    void flush();

  private:
    void put(const void* p, std::size_t n);
    void put_u8(std::uint8_t v) { put(&v, 1); }
    void put_u32(std::uint32_t v) { put(&v, 4); }
    void put_bytes(std::string_view s);

    int fd_;
    std::string buf_;
};

// What the child said about its own run.
struct JetWireOutcome {
    bool complete = false;  // the end mark was read
    std::string failure;    // the child's reason, when it gave one
};

// Parent side: feeds `stream` to `sink`. A malformed stream gives complete = false.
JetWireOutcome parse_jet_wire(std::string_view stream, JetTableSink& sink);

}  // namespace zol
