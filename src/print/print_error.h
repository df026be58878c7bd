// A print run that cannot go on: the file cannot be opened, there is no printer, the
// printer refuses the job. what() is the description shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace zol::print {

class PrintError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace zol::print
