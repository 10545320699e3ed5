#pragma once

#include <stdexcept>
#include <string>

namespace wormpair {

// Every failure to read or write a workbook: bad input, unsupported content,
// file system errors. The message is plain English for the user.
class XlsError : public std::runtime_error {
  public:
    explicit XlsError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace wormpair
