#include "OutputPath.h"

#include "Limits.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows when it resolves a path

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "something else";
}

bool refuse(const char* output, const char* reason)
{
    std::fprintf(stderr, "\nERROR opening output file %s!\n", output);
    std::fprintf(stderr, "%s: %s; it is left as it is\n", output, reason);
    return false;
}

// Replaces the link at path by what it points to, read relative to the link's directory.
bool followLink(char* path, const char* output)
{
    static char target[PATH_MAX];
    ssize_t n = readlink(path, target, sizeof target - 1);
    if (n < 0)
        return refuse(output, std::strerror(errno));
    target[n] = '\0';
    char* slash = std::strrchr(path, '/');
    if (target[0] == '/' || !slash)
        return copyField(path, PATH_MAX, target) || refuse(output, "link target too long");
    slash[1] = '\0';
    if (std::strlen(path) + static_cast<std::size_t>(n) >= PATH_MAX)
        return refuse(output, "link target too long");
    std::strcat(path, target);
    return true;
}

}  // namespace

bool resolveOutput(const char* output, OutputTarget& target)
{
    if (!copyField(target.path, sizeof target.path, output))
        return refuse(output, "path too long");
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st;
        if (lstat(target.path, &st) != 0) {
            // Nothing there (or an unreachable folder, which creating the file will report).
            target.exists = false;
            return true;
        }
        if (S_ISREG(st.st_mode)) {
            target.exists = true;
            target.mode = st.st_mode & 0777;  // set-id and sticky bits mean nothing on an archive
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            static char reason[PATH_MAX + 64];
            if (hop == 0)
                std::snprintf(reason, sizeof reason, "%s, not a regular file", kindOf(st.st_mode));
            else
                std::snprintf(reason, sizeof reason, "its link leads to %s, %s, not a regular file", target.path,
                              kindOf(st.st_mode));
            return refuse(output, reason);
        }
        if (!followLink(target.path, output))
            return false;
    }
    return refuse(output, "too many levels of symbolic links");
}

}  // namespace korvan
