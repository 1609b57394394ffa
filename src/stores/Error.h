#pragma once

#include <stdexcept>
#include <string>

namespace qlx {

// A failure that reaches the user: the message is shown as it stands by the application's
// error handler. Messages are UTF-8 (they carry file paths, which are UTF-8 on this system).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message)
        : std::runtime_error(message) {}
};

} // namespace qlx
