#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Process.h"

namespace pixelon::e2e {

namespace fs = std::filesystem;

// The build folder: $PIXELON_BINARY_DIR, else two levels above this test program.
inline fs::path binaryDir() {
    const char* dir = std::getenv("PIXELON_BINARY_DIR");
    if (dir && fs::exists(fs::path(dir) / "cli/pixelon"))
        return dir;
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path().parent_path();
}

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A scratch folder with its own registry, the port table pointing into it, and the simulated
// phones started in it. Everything is stopped and removed at the end.
class Bench {
public:
    explicit Bench(const std::string& name) {
        std::string pattern = (fs::temp_directory_path() / ("pixelon-e2e-" + name + "-XXXXXX"));
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back(0);
        m_dir = ::mkdtemp(buf.data());
        fs::create_directories(m_dir / "reg");
        writePorts();
    }
    ~Bench() {
        for (auto& sim : m_sims) {
            sim.kill(SIGTERM);
            if (!sim.wait(std::chrono::seconds(5)))
                sim.kill(SIGKILL), sim.wait(std::chrono::seconds(5));
        }
        std::error_code ec;
        if (!::testing::Test::HasFailure())
            fs::remove_all(m_dir, ec);
        else
            std::fprintf(stderr, "kept %s\n", m_dir.c_str());
    }

    const fs::path& dir() const { return m_dir; }
    fs::path port(int n) const { return m_dir / ("com" + std::to_string(n)); }

    // Starts phonesim on port n; returns once its link exists.
    void phone(int n, std::vector<std::string> args) {
        fs::create_directories(m_dir / ("saved" + std::to_string(n)));
        std::vector<std::string> all = {
            "--link",     port(n).string(),
            "--save-dir", (m_dir / ("saved" + std::to_string(n))).string(),
            "--log",      (m_dir / ("sim" + std::to_string(n) + ".log")).string(),
            "--timeout",  "170"};
        all.insert(all.end(), args.begin(), args.end());
        SpawnResult r = spawnProcess(binaryDir() / "tools/phonesim/phonesim", all);
        ASSERT_TRUE(r.started()) << "phonesim did not start: " << r.error;
        m_sims.emplace_back(r.pid);
        for (int i = 0; i < 500 && !fs::is_symlink(port(n)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(fs::is_symlink(port(n))) << "phonesim made no link";
    }

    fs::path saved(int n, int app, int slot) const {
        return m_dir / ("saved" + std::to_string(n)) /
               ("download-" + std::to_string(app) + "-" + std::to_string(slot) + ".ppm");
    }

    struct Run {
        int status = -1;
        std::string out, err;
        double seconds = 0;
    };

    // Runs `pixelon phone ...` with a bounded wait.
    Run pixelon(const std::string& arguments,
                std::chrono::seconds limit = std::chrono::seconds(150)) {
        static int counter = 0;
        std::string tag = std::to_string(++counter);
        fs::path out = m_dir / ("out" + tag), err = m_dir / ("err" + tag);
        std::string command = "exec '" + (binaryDir() / "cli/pixelon").string() + "' phone " +
                              arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        SpawnOptions options;
        options.extraEnvironment = {"PIXELON_REGISTRY_DIR=" + (m_dir / "reg").string()};
        auto start = std::chrono::steady_clock::now();
        SpawnResult r = spawnProcess("/bin/sh", {"-c", command}, options);
        Run run;
        if (!r.started())
            return run;
        CProcess child(r.pid);
        auto exit = child.wait(limit);
        if (!exit) {
            child.kill(SIGKILL);
            child.wait(std::chrono::seconds(5));
            ADD_FAILURE() << "pixelon phone " << arguments << " did not end in time";
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.status = exit && !exit->signalled ? exit->code : -1;
        run.out = readText(out);
        run.err = readText(err);
        return run;
    }

private:
    void writePorts() {
        std::ofstream reg(m_dir / "reg/user.reg", std::ios::binary);
        reg << "Windows Registry Editor Version 5.00\r\n\r\n"
            << "[HKEY_CURRENT_USER\\Software\\Kivo Norvane\\Vistrel\\Ports]\r\n";
        for (int n = 1; n <= 8; ++n)
            reg << "\"COM" << n << "\"=\"" << port(n).string() << "\"\r\n";
        reg << "\r\n";
    }

    fs::path m_dir;
    std::vector<CProcess> m_sims;
};

} // namespace pixelon::e2e
