#include "scan_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "query/mfilter.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<matchFilter> readQuery(const std::string& path) {
    return std::unique_ptr<matchFilter>(dynamic_cast<matchFilter*>(readQueryFile(path.c_str())));
}

// Standard output goes to a file while it is alive.
class StdoutToFile {
  public:
    explicit StdoutToFile(const std::string& path) {
        fflush(stdout);
        saved = dup(STDOUT_FILENO);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    ~StdoutToFile() {
        fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }

  private:
    int saved;
};

}  // namespace

CapturedScan captureScan(const std::string& dir, const std::string& query,
                         const ScanSettings& settings) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) return {};
    if (chdir(dir.c_str()) != 0) return {};
    std::ofstream(dir + "/q.hux") << query;
    remove((dir + "/out.pgn").c_str());
    CapturedScan captured;
    {
        StdoutToFile redirect(dir + "/stdout.txt");
        std::unique_ptr<matchFilter> matcher = readQuery(dir + "/q.hux");
        captured.status = runScan(*matcher, settings);
    }
    captured.out = slurp(dir + "/stdout.txt");
    captured.output = slurp(dir + "/out.pgn");
    if (chdir(cwd) != 0) return {};
    return captured;
}
