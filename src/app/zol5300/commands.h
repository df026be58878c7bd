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

}  // namespace zol::app
