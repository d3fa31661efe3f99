#include "series/database_header.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "series/series_store.h"

namespace zarudiv {

DatabaseHeader ReadDatabaseHeader(int fd)
{
    unsigned char header[100] = {};
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        std::memcmp(header, "SQLite format 3", 16) != 0)
        return DatabaseHeader::NotSqlite;
    // PRAGMA application_id: a big-endian integer at offset 68.
    const std::uint32_t id = static_cast<std::uint32_t>(header[68]) << 24 |
                             static_cast<std::uint32_t>(header[69]) << 16 |
                             static_cast<std::uint32_t>(header[70]) << 8 | header[71];
    return id == static_cast<std::uint32_t>(SeriesStore::kApplicationId) ? DatabaseHeader::Series
                                                                          : DatabaseHeader::Sqlite;
}

}  // namespace zarudiv
