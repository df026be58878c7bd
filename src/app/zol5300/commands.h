// Subcommands of the command-line companion. Each takes the arguments after its name
// and returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace zol::app {

using Args = std::vector<std::string>;

int cmd_report(const Args& args);
int cmd_sampledb(const Args& args);
int cmd_sql(const Args& args);
int cmd_setup(const Args& args);
int cmd_find(const Args& args);

// Prints "page N line M: <the line>" for each line of BASE's report that holds `text`;
// returns 0, 1 when no line does, 4 when the report cannot be read.
int print_matches(const std::string& base, const std::string& text);

}  // namespace zol::app
