#pragma once
// A run's best law as a series database keeps it: the law file's text,
// exactly as the run wrote it (its crc32 line included).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zarudiv {

class StoredLawError : public std::runtime_error {
public:
    enum class Kind {
        CannotOpen,  // no such file, no permission, ...
        NotOurs,     // not a series database
        NoLaw,       // no such run, not done, or done by a version that kept no law
    };
    StoredLawError(Kind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Reads the database without changing it (a series may be writing it).
// Throws StoredLawError.
std::string StoredLaw(const std::string& databaseFile, std::int64_t runId);

}  // namespace zarudiv
