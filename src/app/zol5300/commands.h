// Subcommands of the command-line companion. Each takes the arguments after its name
// and returns the process exit code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "report/held_report.h"

namespace zol::app {

using Args = std::vector<std::string>;

// Exit codes, the same for every command.
inline constexpr int kExitDone = 0;        // written, found, done
inline constexpr int kExitNoData = 1;      // 查無資料, or no line holds the text
inline constexpr int kExitRefused = 2;     // an option, an argument or a check failed
inline constexpr int kExitAnsweredNo = 3;  // the whole-school question answered No
inline constexpr int kExitFailed = 4;      // a database or file error

int cmd_report(const Args& args);
int cmd_sampledb(const Args& args);
int cmd_sql(const Args& args);
int cmd_setup(const Args& args);
int cmd_find(const Args& args);
int cmd_serve(const Args& args);
int cmd_serve_user(const Args& args);

// Prints "page N line M: <the line>" for each line of BASE's report that holds `text`;
// returns kExitDone, kExitNoData when no line does, kExitFailed when the report cannot be
// read. `report`: the file a run just wrote; without it the report is looked up under the
// writer's own name.
int print_matches(const std::string& base, const std::string& text,
                  std::shared_ptr<const HeldReport> report = nullptr);

}  // namespace zol::app
