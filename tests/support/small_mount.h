#pragma once
// A small tmpfs on a fresh directory, for tests that need a full or a
// read-only disk. Mounting needs root: where it cannot be had, mounted() is
// false and reason() says why, so that the test can skip with that reason.

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tests/support/temp_dir.h"

namespace zarudiv::testing {

class SmallMount {
public:
    // options: what mount -o takes, such as "size=64k" or "ro,size=64k".
    explicit SmallMount(const std::string& options)
    {
        if (::geteuid() != 0) {
            reason_ = "needs root to mount a small tmpfs";
            return;
        }
        if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
            reason_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~SmallMount()
    {
        if (mounted_)
            ::umount2(dir_.path().c_str(), MNT_DETACH);
    }
    SmallMount(const SmallMount&) = delete;
    SmallMount& operator=(const SmallMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    bool mounted_ = false;
    std::string reason_;
};

}  // namespace zarudiv::testing
