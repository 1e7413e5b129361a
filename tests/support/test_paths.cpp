#include "test_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

bool runByCi() {
    const char* ci = getenv("CI");
    return ci != nullptr && *ci != '\0' && strcmp(ci, "false") != 0 && strcmp(ci, "0") != 0;
}

std::string fixturePath(const std::string& relative) {
    std::string path = std::string(HUX_FIXTURES_DIR) + "/" + relative;
    std::error_code ec;
    // Committed files: a missing one is a fault of the checkout.
    if (!fs::exists(path, ec)) ADD_FAILURE() << "missing committed test file: " << path;
    return path;
}

std::string dataPath(const std::string& relative) {
    // The variable, as for the agreement scripts, else the build's setting.
    const char* dir = getenv("HUX_DATA_DIR");
    std::string path =
        std::string(dir != nullptr && *dir != '\0' ? dir : HUX_DATA_DIR) + "/" + relative;
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    if (runByCi())
        ADD_FAILURE() << "missing shared data (CI is set, so nothing may be skipped): " << path;
    return std::string();
}

namespace {

struct ScratchRoot {
    std::string path;
    ScratchRoot() {
        std::string tmpl = (fs::temp_directory_path() / "hux-test-XXXXXX").string();
        if (mkdtemp(tmpl.data())) path = tmpl;
    }
    ~ScratchRoot() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

}  // namespace

std::string scratchDir() {
    static ScratchRoot root;
    static int counter = 0;
    std::string dir = root.path + "/" + std::to_string(++counter);
    fs::create_directories(dir);
    return dir;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
