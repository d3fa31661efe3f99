// A bounded load on the dashboard from this machine: C clients, each asking
// for the given paths in turn with a pause after each round, for S seconds.
// Prints per path the answers and their latency (median, 95th percentile,
// worst) in milliseconds.
//   zarudiv_dashboard_load PORT CLIENTS SECONDS PAUSE_MS PATH...
// A path may hold {run}: a run id drawn evenly from 1..RUNS (env RUNS).

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Tally {
    std::vector<double> milliseconds;
    long failed = 0;
};

double Percentile(std::vector<double>& values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s PORT CLIENTS SECONDS PAUSE_MS PATH...\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int clients = std::atoi(argv[2]);
    const double seconds = std::atof(argv[3]);
    const int pauseMs = std::atoi(argv[4]);
    const std::vector<std::string> paths(argv + 5, argv + argc);
    const long runs = std::getenv("RUNS") ? std::atol(std::getenv("RUNS")) : 1;

    std::mutex mutex;
    std::map<std::string, Tally> tallies;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);  // as browsers do
            client.set_read_timeout(30);
            std::mt19937_64 random(static_cast<unsigned>(c) + 1);
            std::uniform_int_distribution<long> run(1, std::max(1L, runs));
            std::map<std::string, Tally> mine;
            // The clients start spread over one pause, as pages opened at
            // different times would.
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs * c / std::max(1, clients)));
            while (std::chrono::steady_clock::now() < end) {
                for (const std::string& pattern : paths) {
                    std::string path = pattern;
                    if (const auto at = path.find("{run}"); at != std::string::npos)
                        path.replace(at, 5, std::to_string(run(random)));
                    const auto start = std::chrono::steady_clock::now();
                    const httplib::Result result = client.Get(path.c_str());
                    const double ms = std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - start)
                                          .count();
                    Tally& tally = mine[pattern];
                    if (!result || result->status >= 400)
                        ++tally.failed;
                    else
                        tally.milliseconds.push_back(ms);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            }
            std::lock_guard lock(mutex);
            for (auto& [pattern, tally] : mine) {
                Tally& all = tallies[pattern];
                all.milliseconds.insert(all.milliseconds.end(), tally.milliseconds.begin(),
                                        tally.milliseconds.end());
                all.failed += tally.failed;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    std::printf("%-58s %8s %6s %8s %8s %8s\n", "path", "answers", "failed", "p50 ms", "p95 ms",
                "max ms");
    for (auto& [pattern, tally] : tallies) {
        const double p50 = Percentile(tally.milliseconds, 0.50);
        const double p95 = Percentile(tally.milliseconds, 0.95);
        const double max = tally.milliseconds.empty() ? 0.0 : tally.milliseconds.back();
        std::printf("%-58s %8zu %6ld %8.2f %8.2f %8.2f\n", pattern.c_str(),
                    tally.milliseconds.size(), tally.failed, p50, p95, max);
    }
    return 0;
}
