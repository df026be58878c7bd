// Sample package databases for tests: runs `zol5300 sampledb` into a fresh temporary
// directory and hands back the package's base directory (BASE/mdb/ZOL.mdb, BASE/rpt).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace zol::test {

// The zol5300 binary: $ZOL5300_BIN as ctest sets it, else the one in the build tree.
inline std::string zol5300_bin() {
    if (const char* env = std::getenv("ZOL5300_BIN"); env && *env) return env;
#ifdef ZOL_BINARY_DIR
    return std::string(ZOL_BINARY_DIR) + "/zol5300";
#else
    throw std::runtime_error("ZOL5300_BIN is not set");
#endif
}

// A new empty directory under the system's temporary directory.
inline std::filesystem::path make_temp_dir(const std::string& prefix = "zol_test_") {
    std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed for " + tmpl);
    return tmpl;
}

// Runs zol5300 with the arguments, its standard output discarded; returns the exit code
// (-1 when it did not exit normally).
inline int run_zol5300(const std::vector<std::string>& args) {
    std::vector<std::string> argv_s{zol5300_bin()};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + argv_s[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Builds a sample package with `students` students from `seed` in a new temporary
// directory and returns that directory; the caller removes it when done.
inline std::filesystem::path build_sample_package(long long students = 1200,
                                                  std::uint64_t seed = 1) {
    const std::filesystem::path base = make_temp_dir("zol_sample_");
    const int rc = run_zol5300({"sampledb", base.string(), "--students", std::to_string(students),
                                "--seed", std::to_string(seed)});
    if (rc != 0) {
        std::filesystem::remove_all(base);
        throw std::runtime_error("zol5300 sampledb failed with exit code " + std::to_string(rc));
    }
    return base;
}

// A sample package that removes itself.
class SamplePackage {
  public:
    explicit SamplePackage(long long students = 1200, std::uint64_t seed = 1)
        : base_(build_sample_package(students, seed)) {}
    ~SamplePackage() {
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }
    SamplePackage(const SamplePackage&) = delete;
    SamplePackage& operator=(const SamplePackage&) = delete;

    const std::filesystem::path& base() const { return base_; }
    std::filesystem::path db() const { return base_ / "mdb" / "ZOL.mdb"; }
    std::filesystem::path rpt() const { return base_ / "rpt"; }

  private:
    std::filesystem::path base_;
};

}  // namespace zol::test
