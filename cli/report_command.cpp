#include "cli/report_command.h"

#include <QGuiApplication>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "analysis/ioh_export.h"
#include "analysis/report_csv.h"
#include "analysis/report_html.h"
#include "analysis/report_text.h"
#include "analysis/series_reader.h"
#include "analysis_plots/report_pictures.h"
#include "edge/same_file.h"
#include "edge/whole_file.h"

namespace zarudiv {

namespace {

void Say(const std::string& text)
{
    std::fprintf(stderr, "zarudiv-series report: %s\n", text.c_str());
}

void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zarudiv-series report: %s\n", message.toLocal8Bit().constData());
}


// The directories and the page are checked before anything is written, so
// that a mistyped path leaves no half report.
std::string CheckOutputs(const ReportOptions& options)
{
    const auto directory = [](const char* option, const std::optional<std::string>& dir) -> std::string {
        if (!dir)
            return {};
        const std::string problem = PrepareOutputDirectory(*dir);
        return problem.empty() ? problem : std::string(option) + " " + *dir + ": " + problem;
    };
    for (const std::string& problem : {directory("--csv", options.csvDir), directory("--plots", options.plotsDir),
                                       directory("--export-ioh", options.iohDir)})
        if (!problem.empty())
            return problem;
    if (options.htmlFile)
        if (const FileError problem = CheckWholeFileTarget(*options.htmlFile))
            return "--html " + *options.htmlFile + ": " + problem.message();
    return {};
}

std::string InDirectory(const std::string& dir, const std::string& name)
{
    return (std::filesystem::path(dir) / name).string();
}

// Writes each file whole; says what failed. Returns false on a failure.
bool WriteFiles(const char* option, const std::string& dir, const std::vector<NamedFile>& files)
{
    for (const NamedFile& file : files) {
        const std::string path = InDirectory(dir, file.name);
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        const FileError written = error ? FileError{} : WriteWholeFile(path, file.bytes);
        const std::string problem = error ? error.message() : written ? written.message() : std::string();
        if (!problem.empty()) {
            Say(std::string(option) + " " + dir + ": cannot write " + path + ": " + problem);
            return false;
        }
    }
    return true;
}

}  // namespace

int RunReportCommand(const ReportOptions& options)
{
    if (options.htmlFile) {
        const std::vector<OutputName> files = {
            {"--db " + options.db, options.db},
            {"the -wal file of --db " + options.db, options.db + "-wal"},
            {"the -shm file of --db " + options.db, options.db + "-shm"},
            {"--html " + *options.htmlFile, *options.htmlFile}};
        if (const std::string clash = SameFileConflict(files); !clash.empty()) {
            Say(clash);
            return kReportBadInput;
        }
    }
    SeriesData data;
    try {
        data = ReadSeries(options.db);
    } catch (const SeriesReadError& error) {
        Say("--db " + options.db + ": " + error.what());
        return error.kind() == SeriesReadError::Kind::Read ? kReportFailed : kReportBadInput;
    }
    for (const std::string& note : data.leftOut)
        Say("warning: --db " + options.db + ": left out " + note);

    ReportRequest request = options.request;
    request.pictures = options.plotsDir || options.htmlFile;
    SeriesAnalysis report;
    try {
        report = AnalyseSeries(data, request);
    } catch (const ReportRequestError& error) {
        Say(std::string(error.what()) + " (--db " + options.db + ")");
        return kReportBadInput;
    }
    if (const std::string problem = CheckOutputs(options); !problem.empty()) {
        Say(problem);
        return kReportFailed;
    }

    int exitCode = kReportDone;
    if (std::fputs(ReportText(data, report, request).c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        Say(std::string("the tables cannot be written to the standard output (") +
            std::strerror(errno) + ")");
        std::clearerr(stdout);
        exitCode = kReportFailed;
    }
    if (options.csvDir && !WriteFiles("--csv", *options.csvDir, ReportCsv(data, report)))
        exitCode = kReportFailed;
    if (request.pictures) {
        std::vector<PictureFiles> pictures;
        try {
            pictures = DrawReportPictures(data, report);
        } catch (const std::exception& error) {
            Say(std::string("cannot draw the pictures: ") + error.what());
            return kReportFailed;
        }
        if (options.plotsDir) {
            std::vector<NamedFile> files;
            for (const PictureFiles& picture : pictures) {
                files.push_back({picture.name + ".png", picture.png});
                files.push_back({picture.name + ".svg", picture.svg});
            }
            if (!WriteFiles("--plots", *options.plotsDir, files))
                exitCode = kReportFailed;
        }
        if (options.htmlFile) {
            std::vector<HtmlPicture> embedded;
            for (const PictureFiles& picture : pictures)
                embedded.push_back({picture.name, picture.title, "image/svg+xml", picture.svg});
            const std::string html = ReportHtml(data, report, request, embedded, ZARUDIV_VERSION);
            if (const FileError problem = WriteWholeFile(*options.htmlFile, html)) {
                Say("--html " + *options.htmlFile + ": cannot write the file: " + problem.message());
                exitCode = kReportFailed;
            }
        }
    }
    if (options.iohDir)
        for (const SettingRuns& setting : data.settings)
            if (!WriteFiles("--export-ioh", *options.iohDir, IohFiles(setting))) {
                exitCode = kReportFailed;
                break;
            }
    return exitCode;
}

int RunReportMain(const std::vector<std::string>& args)
{
    const ReportParse parsed = ParseReportOptions(args);
    if (!parsed.error.empty()) {
        Say(parsed.error);
        return kReportBadInput;
    }
    if (parsed.options.help) {
        std::fputs(ReportUsage().c_str(), stdout);
        return kReportDone;
    }
    // Text in the pictures needs a GUI application, but never a screen.
    std::unique_ptr<QGuiApplication> app;
    if (parsed.options.plotsDir || parsed.options.htmlFile) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static char name[] = "zarudiv-series";
        static char* qtArgv[] = {name, nullptr};
        qInstallMessageHandler(QuietQtMessages);
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        // Qt takes the locale from the environment; the tables keep their
        // decimal points.
        std::setlocale(LC_NUMERIC, "C");
    }
    return RunReportCommand(parsed.options);
}

}  // namespace zarudiv
