#pragma once
// A fresh directory below the system's temporary directory, removed with its
// contents when the test is done.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace zarudiv::testing {

class TempDir {
public:
    TempDir()
    {
        std::random_device device;
        path_ = std::filesystem::temp_directory_path() /
                ("zarudiv-test-" + std::to_string(device()) + "-" + std::to_string(device()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zarudiv::testing
