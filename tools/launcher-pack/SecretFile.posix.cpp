#include "SecretFile.h"

#include "Bytes.h"
#include "base/Descriptor.posix.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace launcher::pack {

SecretFile::SecretFile(const std::string& content) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) folder = "/tmp";
    std::random_device random;
    // A new name each try: O_EXCL refuses a file (or a link planted under the
    // name) that exists, O_NOFOLLOW a link in its place.
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::filesystem::path candidate = folder / ("launcher-pack-" + std::to_string(random()) + ".pass");
        UniqueDescriptor fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd) {
            if (errno == EEXIST) continue;
            throw PackError("the password file in " + folder.string() + " cannot be created: " + std::strerror(errno));
        }
        path_ = candidate;
        for (size_t done = 0; done < content.size();) {
            ssize_t n = ::write(fd.get(), content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                int code = errno;
                ::unlink(path_.c_str());
                throw PackError("the password file " + path_.string() + " cannot be written: " + std::strerror(code));
            }
            done += static_cast<size_t>(n);
        }
        return;
    }
    throw PackError("the password file in " + folder.string() + " cannot be created: every name tried exists");
}

SecretFile::~SecretFile() { ::unlink(path_.c_str()); }

} // namespace launcher::pack
