#include "edge/same_file.h"

#include <sys/stat.h>

#include <filesystem>

namespace zarudiv {

namespace {

namespace fs = std::filesystem;

struct Identity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    fs::path canonical;
};

// A link that leads nowhere yet is the file it will create: follow it by
// hand, as weakly_canonical takes a missing last part as it is.
fs::path FollowDanglingLinks(fs::path path)
{
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

Identity IdentityOf(const std::string& name)
{
    Identity identity;
    struct stat info {};
    if (::stat(name.c_str(), &info) == 0) {
        identity.exists = true;
        identity.device = info.st_dev;
        identity.inode = info.st_ino;
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(name, error);
    if (error)
        return identity;
    identity.canonical = fs::weakly_canonical(FollowDanglingLinks(absolute), error);
    if (error)
        identity.canonical = absolute.lexically_normal();
    return identity;
}

bool Same(const Identity& a, const Identity& b)
{
    if (a.exists && b.exists)
        return a.device == b.device && a.inode == b.inode;
    return !a.canonical.empty() && a.canonical == b.canonical;
}

}  // namespace

std::string SameFileConflict(const std::vector<OutputName>& outputs)
{
    std::vector<Identity> identities;
    identities.reserve(outputs.size());
    for (const OutputName& output : outputs)
        identities.push_back(IdentityOf(output.path));
    for (std::size_t later = 1; later < outputs.size(); ++later)
        for (std::size_t earlier = 0; earlier < later; ++earlier)
            if (Same(identities[earlier], identities[later]))
                return outputs[earlier].label + " and " + outputs[later].label +
                       " name the same file; give each output a file of its own";
    return {};
}

}  // namespace zarudiv
