#pragma once
// An error that ends a command (a campaign, a protocol that cannot be
// written): what() is the German text shown to the user.

#include <stdexcept>

namespace zarudiv {

class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace zarudiv
