#include "TreeMaker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

TTreeSummary MakeTree(const std::string& root, std::int64_t files, std::int64_t folders, int maxDepth,
                      std::uint64_t seed) {
    std::mt19937_64 random(seed);
    struct TFolder {
        std::string Path;
        int Depth;
    };
    std::vector<TFolder> all;
    std::vector<std::size_t> open;  // folders that may still get sub-folders
    if (::mkdir(root.c_str(), 0755) != 0) Fail("mkdir", root);
    all.push_back({root, 0});
    open.push_back(0);
    for (std::int64_t i = 1; i < folders; ++i) {
        std::size_t parent = open[random() % open.size()];
        TFolder folder{all[parent].Path + "/d" + std::to_string(i), all[parent].Depth + 1};
        if (::mkdir(folder.Path.c_str(), 0755) != 0) Fail("mkdir", folder.Path);
        all.push_back(folder);
        if (folder.Depth < maxDepth) open.push_back(all.size() - 1);
    }
    static const char* const kExtensions[] = {".txt", ".dat", ".log", ".bin", ".doc", ".png", ".csv", ".xml", ".html"};
    TTreeSummary summary;
    for (std::int64_t i = 0; i < files; ++i) {
        const TFolder& folder = all[random() % all.size()];
        const bool jpg = random() % 10 == 0;
        const std::int64_t size = static_cast<std::int64_t>(random() % (100 * 1024 + 1));
        std::string path = folder.Path + "/f" + std::to_string(i) + (jpg ? ".jpg" : kExtensions[random() % 9]);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) Fail("create", path);
        if (size > 0 && ::ftruncate(fd, size) != 0) {
            ::close(fd);
            Fail("ftruncate", path);
        }
        ::close(fd);
        summary.Bytes += size;
        ++summary.Files;
        if (jpg) summary.JpgBytes += size, ++summary.JpgFiles;
    }
    return summary;
}
