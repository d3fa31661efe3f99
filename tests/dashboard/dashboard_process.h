#pragma once
// zarudiv-series serve run as a user runs it, on a port it picks itself, and
// a client that asks it what a page would.

#include <httplib.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/process.h"

namespace zarudiv::testing {

class ServeProcess {
public:
    // `serve` with these arguments (and --port 0) in dir; waits until it
    // says where it listens, or has ended.
    ServeProcess(const TempDir& dir, const std::string& args, std::string name = "serve")
        : dir_(dir), name_(name),
          process_(std::make_unique<BackgroundProcess>(
              dir, Quote(ZARUDIV_SERIES) + " serve --port 0 " + args, name))
    {
        const std::regex address(R"(http://127\.0\.0\.1:([0-9]+)/)");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline && process_->running()) {
            std::smatch found;
            const std::string said = ReadBytes(dir.file(name_ + ".err"));
            if (std::regex_search(said, found, address)) {
                port_ = std::stoi(found[1]);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~ServeProcess() { stop(); }

    int port() const { return port_; }
    // Ends it as Ctrl-C would; its result.
    std::optional<ProcessResult> stop()
    {
        if (!process_ || !process_->running())
            return std::nullopt;
        process_->signal(SIGINT);
        return process_->waitFor(std::chrono::seconds(20));
    }

private:
    const TempDir& dir_;
    std::string name_;
    std::unique_ptr<BackgroundProcess> process_;
    int port_ = 0;
};

struct Answer {
    int status = 0;
    std::string body;
    std::string contentType;
    nlohmann::json json() const { return nlohmann::json::parse(body, nullptr, false); }
};

inline Answer Get(int port, const std::string& path, const httplib::Headers& headers = {})
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30);
    const httplib::Result result = client.Get(path.c_str(), headers);
    if (!result)
        return {};
    return {result->status, result->body, result->get_header_value("Content-Type")};
}

// Asks for the run's replay until it is ready (or the limit passes).
inline nlohmann::json ReplayOf(int port, std::int64_t run)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    nlohmann::json state;
    while (std::chrono::steady_clock::now() < deadline) {
        state = Get(port, "/api/runs/" + std::to_string(run) + "/replay").json();
        if (state.value("state", "") != "queued" && state.value("state", "") != "running")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return state;
}

}  // namespace zarudiv::testing
