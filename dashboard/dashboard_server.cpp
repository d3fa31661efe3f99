#include "dashboard/dashboard_server.h"

#include <SQLiteCpp/Statement.h>
#include <pthread.h>

#include <csignal>

#include <cstdio>
#include <regex>

#include "dashboard/comparison_data.h"
#include "dashboard/comparison_tables.h"
#include "dashboard/request_checks.h"
#include "dashboard/run_details.h"
#include "dashboard/web_assets.h"
#include "series/run_campaign.h"

namespace zarudiv {

namespace {

using Clock = std::chrono::steady_clock;

// Threads that answer requests. A connection kept alive holds one while it
// is open, so there are many more than cores; they cost nothing idle.
constexpr int kRequestThreads = 48;
constexpr std::size_t kReaders = 6;
// A comparison nobody has asked for in this long is no longer kept up to date.
constexpr std::chrono::minutes kComparisonInterest{10};
// Without a change in the database the overview is rebuilt this often all
// the same (the estimates and the live curves go on with the clock).
constexpr std::chrono::seconds kOverviewAtLeast{10};

void Json(httplib::Response& response, int status, const std::string& body)
{
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body, "application/json");
}

void Json(httplib::Response& response, int status, const nlohmann::json& body)
{
    Json(response, status, body.dump());
}

void Error(httplib::Response& response, int status, const std::string& message)
{
    Json(response, status, nlohmann::json{{"error", message}});
}

// A text from a request, shortened for an error message.
std::string Shown(const std::string& text)
{
    std::string shown;
    for (char c : text.substr(0, 32))
        shown += (c >= 0x20 && c < 0x7f) ? c : '?';
    return text.size() > 32 ? shown + "..." : shown;
}

const char* StatusText(int status)
{
    switch (status) {
    case 400: return "bad request";
    case 403: return "forbidden";
    case 404: return "no such page";
    case 405: return "only GET is answered";
    case 413: return "the request is too large";
    case 414: return "the address is too long";
    default: return status >= 500 ? "the server failed" : "the request was refused";
    }
}

bool IsLoopback(const std::string& address)
{
    return address == "127.0.0.1" || address == "localhost" || address == "::1" ||
           address.rfind("127.", 0) == 0;
}

// The run named in the path: 400 for a malformed id, 404 for an unknown one.
std::optional<StoredRun> RunOfRequest(SQLite::Database& db, const httplib::Request& request,
                                      httplib::Response& response)
{
    const std::string text = request.matches[1];
    const std::optional<std::int64_t> id = ParseId(text);
    if (!id) {
        Error(response, 400, "malformed run id '" + Shown(text) + "': give a number from 1 up");
        return std::nullopt;
    }
    std::optional<StoredRun> run = FindRun(db, *id);
    if (!run)
        Error(response, 404, "no run " + std::to_string(*id) + " in this database");
    return run;
}

}  // namespace

DashboardServer::DashboardServer(DashboardOptions options)
    : options_(std::move(options)),
      readers_(options_.db, kReaders),
      refreshDb_(OpenSeriesReadOnly(options_.db)),
      comparisonDb_(OpenSeriesReadOnly(options_.db)),
      replays_(options_.replay, options_.replaysWaiting)
{
    rebuildOverview();
    routes();
}

DashboardServer::~DashboardServer()
{
    stop();
    if (listener_.joinable())
        listener_.join();
    if (refresher_.joinable())
        refresher_.join();
    if (comparer_.joinable())
        comparer_.join();
}

std::string DashboardServer::address() const
{
    const bool v6 = options_.bind.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + options_.bind + "]" : options_.bind) + ":" +
           std::to_string(boundPort_);
}

std::string DashboardServer::bind()
{
    http_.new_task_queue = [] { return new httplib::ThreadPool(kRequestThreads); };
    http_.set_keep_alive_timeout(2);
    // An answer written in pieces must not wait for the client's delayed
    // acknowledgement (40 ms each time) before its last piece goes.
    http_.set_tcp_nodelay(true);
    http_.set_read_timeout(5);
    http_.set_write_timeout(10);
    http_.set_payload_max_length(4096);
    if (options_.port == 0) {
        boundPort_ = http_.bind_to_any_port(options_.bind);
        if (boundPort_ > 0)
            return {};
    } else if (http_.bind_to_port(options_.bind, options_.port)) {
        boundPort_ = options_.port;
        return {};
    }
    return "cannot listen on " + options_.bind + " port " + std::to_string(options_.port) +
           " (the port is in use, or the address is not one of this machine's): give another "
           "--port or --bind";
}

void DashboardServer::run()
{
    // A client that goes away mid-answer must not end the process: its
    // SIGPIPE stays blocked in every thread the server starts.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    refresher_ = std::thread([this] { refreshLoop(); });
    comparer_ = std::thread([this] { comparisonLoop(); });
    {
        std::lock_guard lock(stopMutex_);
        if (stopping_)
            return;
        listening_ = true;
    }
    http_.listen_after_bind();
    listenReturned_ = true;
}

void DashboardServer::start()
{
    listener_ = std::thread([this] { run(); });
}

void DashboardServer::stop()
{
    bool listening = false;
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
        listening = listening_;
    }
    stopWake_.notify_all();
    comparisonWake_.notify_all();
    // Once run() has decided to listen, the listener is stopped as soon as
    // it is there.
    if (!listening)
        return;
    while (!http_.is_running() && !listenReturned_)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    http_.stop();
}

std::shared_ptr<const DashboardServer::Snapshot> DashboardServer::snapshot() const
{
    std::lock_guard lock(snapshotMutex_);
    return snapshot_;
}

std::shared_ptr<const std::string> DashboardServer::cached(const std::string& key,
                                                          std::uint64_t version,
                                                          const std::function<std::string()>& make)
{
    // Pages that poll ask the same questions over and over; the database
    // is asked once per change of it.
    constexpr std::size_t kKept = 512;
    {
        std::lock_guard lock(cacheMutex_);
        const auto found = cache_.find(key);
        if (found != cache_.end() && found->second.first == version)
            return found->second.second;
    }
    auto answer = std::make_shared<const std::string>(make());
    std::lock_guard lock(cacheMutex_);
    if (cache_.size() >= kKept)
        cache_.clear();
    cache_[key] = {version, answer};
    return answer;
}

void DashboardServer::rebuildOverview()
{
    auto next = std::make_shared<Snapshot>();
    nlohmann::json overview = builder_.build(*refreshDb_, Clock::now());
    for (const nlohmann::json& plan : overview["plans"]) {
        SeriesPlan p;
        p.generations = plan["generations"].get<std::vector<int>>();
        p.mutants = plan["mutants"].get<std::vector<int>>();
        p.steps = plan["step_ppm"].get<std::vector<int>>();
        p.firstSeed = plan["first_seed"].get<std::uint32_t>();
        p.repeat = plan["repeat"].get<std::uint32_t>();
        const std::int64_t key = plan["key"].get<std::int64_t>();
        next->plans[key] = p;
        next->done[key] = plan["done"].get<std::int64_t>();
        for (const char* count : {"runs", "done", "failed", "running", "pending"})
            next->counts[key][count] = plan[count].get<std::int64_t>();
    }
    const std::shared_ptr<const Snapshot> previous = snapshot();
    const std::uint64_t version = previous ? previous->version : 0;
    overview["version"] = version;
    std::string json = overview.dump();
    if (previous && previous->json == json)
        return;
    overview["version"] = version + 1;
    next->version = version + 1;
    next->json = overview.dump();
    {
        std::lock_guard lock(snapshotMutex_);
        snapshot_ = std::move(next);
    }
    comparisonWake_.notify_all();
}

void DashboardServer::refreshLoop()
{
    std::int64_t dataVersion = -1;
    Clock::time_point built = Clock::now();
    Clock::time_point nextAllowed = built;
    std::string lastError;
    std::unique_lock lock(stopMutex_);
    while (!stopping_) {
        stopWake_.wait_for(lock, std::chrono::milliseconds(250));
        if (stopping_)
            break;
        lock.unlock();
        try {
            // data_version changes when another connection has committed.
            const std::int64_t now = refreshDb_->execAndGet("PRAGMA data_version").getInt64();
            const Clock::time_point start = Clock::now();
            if (start >= nextAllowed && (now != dataVersion || start - built >= kOverviewAtLeast)) {
                dataVersion = now;
                rebuildOverview();
                built = Clock::now();
                const auto took = built - start;
                nextAllowed = built + std::max<Clock::duration>(options_.refresh, 30 * took);
            }
            lastError.clear();
        } catch (const std::exception& error) {
            if (lastError != error.what())
                std::fprintf(stderr, "zarudiv-series serve: cannot read the database: %s\n",
                             error.what());
            lastError = error.what();
        }
        lock.lock();
    }
}

void DashboardServer::comparisonLoop()
{
    std::map<std::int64_t, Clock::time_point> nextAllowed;
    std::unique_lock lock(comparisonMutex_);
    for (;;) {
        comparisonWake_.wait_for(lock, std::chrono::seconds(1));
        {
            std::lock_guard stopLock(stopMutex_);
            if (stopping_)
                return;
        }
        const std::shared_ptr<const Snapshot> current = snapshot();
        const Clock::time_point now = Clock::now();
        std::int64_t key = 0;
        for (const auto& [planKey, entry] : comparisons_) {
            const auto done = current->done.find(planKey);
            if (done == current->done.end() || now - entry.asked > kComparisonInterest ||
                entry.doneAtCompute == done->second || now < nextAllowed[planKey])
                continue;
            key = planKey;
            break;
        }
        if (key == 0)
            continue;
        const SeriesPlan plan = current->plans.at(key);
        const std::int64_t doneBefore = current->done.at(key);
        lock.unlock();
        std::shared_ptr<const std::string> json;
        const Clock::time_point start = Clock::now();
        try {
            const std::vector<SettingFinals> settings = ReadSettingFinals(*comparisonDb_, plan);
            const nlohmann::json curves =
                ComparisonCurves(*comparisonDb_, plan, settings, 100, [this] {
                    std::lock_guard stopLock(stopMutex_);
                    return stopping_;
                });
            nlohmann::json result = ComparisonTables(*comparisonDb_, plan, settings);
            result["plan"] = key;
            result["done"] = doneBefore;
            result["charts"] = curves;
            result["seconds"] = std::chrono::duration<double>(Clock::now() - start).count();
            json = std::make_shared<const std::string>(result.dump());
        } catch (const std::exception& error) {
            json = std::make_shared<const std::string>(
                nlohmann::json{{"error", std::string("cannot read the runs: ") + error.what()}}
                    .dump());
        }
        const auto took = Clock::now() - start;
        lock.lock();
        Comparison& entry = comparisons_[key];
        entry.json = json;
        entry.doneAtCompute = doneBefore;
        nextAllowed[key] = Clock::now() + std::max<Clock::duration>(std::chrono::seconds(2), 20 * took);
    }
}

void DashboardServer::routes()
{
    const bool loopback = IsLoopback(options_.bind);
    http_.set_pre_routing_handler([this, loopback](const httplib::Request& request,
                                                   httplib::Response& response) {
        // A page elsewhere must not read this one through a name that points
        // here (DNS rebinding): on loopback only loopback names are answered.
        if (loopback) {
            const std::string host = request.get_header_value("Host");
            const std::string port = ":" + std::to_string(boundPort_);
            bool ours = false;
            for (const char* name : {"127.0.0.1", "localhost", "[::1]"})
                if (host == name || host == std::string(name) + port)
                    ours = true;
            if (!ours) {
                Error(response, 403, "answered only under 127.0.0.1 or localhost");
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' "
                            "data: blob:; frame-ancestors 'none'");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http_.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
            if (response.body.empty())
                Error(response, response.status, StatusText(response.status));
            return httplib::Server::HandlerResponse::Handled;
        }));
    http_.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            Error(response, 500, "the server failed: " + what);
        });
    const auto notAllowed = [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Allow", "GET, HEAD");
        Error(response, 405, "only GET is answered: the dashboard changes nothing");
    };
    http_.Post(".*", notAllowed);
    http_.Put(".*", notAllowed);
    http_.Patch(".*", notAllowed);
    http_.Delete(".*", notAllowed);
    http_.Options(".*", notAllowed);

    http_.Get("/api/overview", [this](const auto& q, auto& r) { overview(q, r); });
    http_.Get(R"(/api/plans/([^/]*)/comparison)", [this](const auto& q, auto& r) { comparison(q, r); });
    http_.Get("/api/runs", [this](const auto& q, auto& r) { runList(q, r); });
    http_.Get(R"(/api/runs/([^/]*))", [this](const auto& q, auto& r) { runPage(q, r); });
    http_.Get(R"(/api/runs/([^/]*)/replay)", [this](const auto& q, auto& r) { replay(q, r); });
    http_.Get(R"(/api/runs/([^/]*)/pictures/([^/]*))", [this](const auto& q, auto& r) { picture(q, r); });
    http_.Get(R"(/api/runs/([^/]*)/protocol)", [this](const auto& q, auto& r) { protocol(q, r); });
    http_.Get(R"(/api/.*)", [](const httplib::Request& request, httplib::Response& response) {
        Error(response, 404, "no such part of the interface: " + Shown(request.path));
    });
    http_.Get(R"(/.*)", [](const httplib::Request& request, httplib::Response& response) {
        const std::string path = request.path == "/index.html" ? "/" : request.path;
        const std::optional<WebAsset> asset = FindWebAsset(path);
        if (!asset) {
            Error(response, 404, "no such page: " + Shown(request.path));
            return;
        }
        response.set_header("Cache-Control", asset->immutable ? "max-age=86400" : "no-cache");
        response.set_content(std::string(asset->bytes), std::string(asset->contentType).c_str());
    });
}

void DashboardServer::overview(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(request.params, {}); !problem.empty())
        return Error(response, 400, problem);
    const std::shared_ptr<const Snapshot> current = snapshot();
    const std::string tag = "\"v" + std::to_string(current->version) + "\"";
    response.set_header("ETag", tag);
    if (request.get_header_value("If-None-Match") == tag) {
        response.status = 304;
        response.set_header("Cache-Control", "no-cache");
        return;
    }
    response.set_header("Cache-Control", "no-cache");
    response.set_content(current->json, "application/json");
}

void DashboardServer::comparison(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(request.params, {}); !problem.empty())
        return Error(response, 400, problem);
    const std::string text = request.matches[1];
    const std::optional<std::int64_t> key = ParseId(text);
    if (!key)
        return Error(response, 400, "malformed plan number '" + Shown(text) + "'");
    const std::shared_ptr<const Snapshot> current = snapshot();
    if (current->plans.count(*key) == 0)
        return Error(response, 404, "no plan " + std::to_string(*key) + " in this database");
    std::shared_ptr<const std::string> json;
    bool stale = true;
    {
        std::lock_guard lock(comparisonMutex_);
        Comparison& entry = comparisons_[*key];
        entry.asked = Clock::now();
        json = entry.json;
        stale = entry.doneAtCompute != current->done.at(*key);
    }
    if (stale)
        comparisonWake_.notify_all();
    if (!json)
        return Json(response, 202, nlohmann::json{{"state", "computing"}, {"plan", *key}});
    response.set_header("X-Zarudiv-Stale", stale ? "1" : "0");
    Json(response, 200, *json);
}

void DashboardServer::runList(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(
            request.params,
            {"plan", "status", "generations", "mutants", "step_ppm", "order", "offset", "limit"});
        !problem.empty())
        return Error(response, 400, problem);
    RunListQuery query;
    std::int64_t planKey = 0;
    const std::shared_ptr<const Snapshot> current = snapshot();
    const auto param = [&](const char* name) -> std::optional<std::string> {
        if (!request.has_param(name))
            return std::nullopt;
        return request.get_param_value(name);
    };
    if (const auto plan = param("plan")) {
        const std::optional<std::int64_t> key = ParseId(*plan);
        if (!key)
            return Error(response, 400, "malformed plan number '" + Shown(*plan) + "'");
        const auto found = current->plans.find(*key);
        if (found == current->plans.end())
            return Error(response, 404, "no plan " + std::to_string(*key) + " in this database");
        query.plan = found->second;
        planKey = *key;
    }
    if (const auto status = param("status")) {
        if (*status != "pending" && *status != "running" && *status != "done" && *status != "failed")
            return Error(response, 400, "status '" + Shown(*status) +
                                            "' is none of pending, running, done, failed");
        query.status = *status;
    }
    const auto g = param("generations"), m = param("mutants"), p = param("step_ppm");
    if (g || m || p) {
        const auto gv = g ? ParseBounded(*g, 1, 10000) : std::nullopt;
        const auto mv = m ? ParseBounded(*m, 1, 100) : std::nullopt;
        const auto pv = p ? ParseBounded(*p, 1, 1000) : std::nullopt;
        if (!gv || !mv || !pv)
            return Error(response, 400, "a setting needs generations 1..10000, mutants 1..100 "
                                        "and step_ppm 1..1000, all three");
        query.setting = Setting{static_cast<int>(*gv), static_cast<int>(*mv), static_cast<int>(*pv)};
    }
    if (const auto order = param("order")) {
        if (*order != "id" && *order != "best_q")
            return Error(response, 400, "order '" + Shown(*order) + "' is neither id nor best_q");
        query.byBestQ = *order == "best_q";
    }
    if (const auto offset = param("offset")) {
        const auto value = ParseBounded(*offset, 0, 100'000'000);
        if (!value)
            return Error(response, 400, "offset must be a whole number from 0 to 100000000");
        query.offset = *value;
    }
    if (const auto limit = param("limit")) {
        const auto value = ParseBounded(*limit, 1, 500);
        if (!value)
            return Error(response, 400, "limit must be a whole number from 1 to 500");
        query.limit = *value;
    }
    if (planKey != 0 && !query.setting) {
        const std::map<std::string, std::int64_t>& counts = current->counts.at(planKey);
        query.knownTotal = counts.at(query.status ? *query.status : "runs");
    }
    Json(response, 200, *cached(request.target, current->version, [&] {
        auto db = readers_.take();
        return RunList(*db, TableColumns(*db, "runs"), query).dump();
    }));
}

void DashboardServer::runPage(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(request.params, {}); !problem.empty())
        return Error(response, 400, problem);
    const std::uint64_t version = snapshot()->version;
    auto db = readers_.take();
    const std::optional<StoredRun> run = RunOfRequest(*db, request, response);
    if (!run)
        return;
    Json(response, 200, *cached(request.path, version, [&] {
        return RunPage(*db, TableColumns(*db, "runs"), *run).dump();
    }));
}

void DashboardServer::replay(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(request.params, {}); !problem.empty())
        return Error(response, 400, problem);
    std::optional<StoredRun> run;
    {
        auto db = readers_.take();
        run = RunOfRequest(*db, request, response);
    }
    if (!run)
        return;
    if (run->status != "done")
        return Error(response, 409, "run " + std::to_string(run->id) + " is " + run->status +
                                        ": only a done run is replayed");
    const ReplayQueue::State state = replays_.request(run->id, run->key);
    using Kind = ReplayQueue::State::Kind;
    switch (state.kind) {
    case Kind::Full:
        response.set_header("Retry-After", "5");
        return Error(response, 429, "the replays' queue is full; ask again in a few seconds");
    case Kind::Queued:
        return Json(response, 200, nlohmann::json{{"state", "queued"}, {"position", state.position}});
    case Kind::Running:
        return Json(response, 200, nlohmann::json{{"state", "running"}});
    case Kind::Ready:
        break;
    }
    const ReplayResult& result = *state.result;
    if (!result.error.empty() || result.stopped)
        return Json(response, 200,
                    nlohmann::json{{"state", "failed"},
                                   {"error", result.stopped ? "stopped" : result.error}});
    nlohmann::json pictures = nlohmann::json::array();
    for (const auto& [name, png] : result.pictures)
        pictures.push_back(name);
    Json(response, 200,
         nlohmann::json{{"state", "ready"},
                        {"pictures", pictures},
                        {"best_q", result.bestQ},
                        {"protocol_bytes", result.protocol.size()},
                        {"protocol_sha256", ProtocolSha256(result.protocol)},
                        {"protocol_matches_database",
                         ProtocolSha256(result.protocol) == run->protocolSha256}});
}

void DashboardServer::picture(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(request.params, {}); !problem.empty())
        return Error(response, 400, problem);
    const std::string name = request.matches[2];
    static const std::regex pictureName(R"(Image[0-9]{1,2}\.png)");
    if (!std::regex_match(name, pictureName))
        return Error(response, 404, "no picture named '" + Shown(name) + "'");
    std::optional<StoredRun> run;
    {
        auto db = readers_.take();
        run = RunOfRequest(*db, request, response);
    }
    if (!run)
        return;
    const ReplayQueue::State state = replays_.request(run->id, run->key);
    if (state.kind != ReplayQueue::State::Kind::Ready)
        return Error(response, 409, "run " + std::to_string(run->id) +
                                        " is not replayed yet; ask /api/runs/" +
                                        std::to_string(run->id) + "/replay");
    const std::string stem = name.substr(0, name.size() - 4);
    for (const auto& [pictureStem, png] : state.result->pictures)
        if (pictureStem == stem) {
            response.set_header("Cache-Control", "max-age=3600");
            response.set_content(png, "image/png");
            return;
        }
    Error(response, 404, "run " + std::to_string(run->id) + " has no picture named '" + Shown(name) + "'");
}

void DashboardServer::protocol(const httplib::Request& request, httplib::Response& response)
{
    if (const std::string problem = CheckParameterNames(request.params, {}); !problem.empty())
        return Error(response, 400, problem);
    std::optional<StoredRun> run;
    {
        auto db = readers_.take();
        run = RunOfRequest(*db, request, response);
    }
    if (!run)
        return;
    if (run->status != "done")
        return Error(response, 409, "run " + std::to_string(run->id) + " is " + run->status +
                                        ": only a done run is replayed");
    const ReplayQueue::State state = replays_.request(run->id, run->key);
    if (state.kind != ReplayQueue::State::Kind::Ready || !state.result->error.empty() ||
        state.result->stopped)
        return Error(response, 409, "run " + std::to_string(run->id) +
                                        " is not replayed yet; ask /api/runs/" +
                                        std::to_string(run->id) + "/replay");
    response.set_header("Content-Disposition",
                        "attachment; filename=\"" + ProtocolFileName(run->key) + "\"");
    response.set_content(state.result->protocol, "text/plain; charset=windows-1252");
}

}  // namespace zarudiv
