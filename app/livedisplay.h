#pragma once
// A campaign's display while the campaign runs on a worker thread. The worker
// draws the pictures into the image areas' canvases and keeps the screen
// state: what the window would show at this point of the campaign if it were
// painted now, that is each text as it was at its field's last repaint (the
// field is repainted before its new text goes in), each bar at its position,
// and each picture as it was at its last repaint. When the window asks for a
// frame, the worker publishes a copy of that state at the end of the next
// generation (a generation's mutants are evaluated together and shown in a
// burst: its end is the state that tells most), or at its next display event
// once the window has waited a while; so every frame is a state the campaign
// passed through.

#include <QImage>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "plots/canvas_display.h"

namespace zarudiv {

struct ScreenFrame {
    std::uint64_t number = 0;  // counts the frames published, from 1
    std::array<std::string, kTextRoles.size()> texts;
    std::optional<int> generationProgress;  // not set: the bar keeps its place
    std::optional<int> mutantProgress;
    std::array<QImage, kPlotRoles.size()> pictures;  // a null image: nothing drawn yet
};

class LiveDisplay : public CanvasDisplay {
public:
    // canvases: the image areas' canvases by role; shownTexts: what the text
    // fields show when the campaign starts.
    LiveDisplay(const std::array<Canvas*, kPlotRoles.size()>& canvases,
                const std::array<std::string, kTextRoles.size()>& shownTexts);
    // Gives the canvases their repaint handlers back.
    ~LiveDisplay() override;
    LiveDisplay(const LiveDisplay&) = delete;
    LiveDisplay& operator=(const LiveDisplay&) = delete;

    // The worker's side.
    void setGenerationProgress(int g) override;
    void setMutantProgress(int m) override;
    void showText(TextRole role, const std::string& text) override;
    void generationDone(const GenerationRecord& record) override;
    void warn(const std::string& message) override;

    // The window's side: the newest frame if it is newer than `shown`, and a
    // request for the next one.
    std::optional<ScreenFrame> takeFrame(std::uint64_t shown);

    // Once the worker has ended: the window as the campaign leaves it, every
    // text as last set and every picture as drawn.
    ScreenFrame finalFrame() const;
    // The last generation the campaign finished, if any.
    const std::optional<GenerationRecord>& lastRecord() const { return lastRecord_; }

private:
    struct Picture {
        Canvas* canvas = nullptr;
        std::function<void()> previousHandler;
        std::uint64_t repaintedAt = 0;  // the canvas's draw count at its last repaint
        bool keepSnapshots = false;     // drawn on between repaints while a frame was due
        bool snapshotCurrent = false;   // the snapshot is the bitmap of the last repaint
        QImage snapshot;
    };

    static QImage bitmapOf(const Canvas& canvas);
    void repainted(std::size_t role);
    void publishIfWanted(bool generationEnd = false);

    // The worker's own state.
    std::array<std::string, kTextRoles.size()> current_;
    ScreenFrame screen_;
    std::array<Picture, kPlotRoles.size()> pictures_;
    std::optional<GenerationRecord> lastRecord_;

    // Shared with the window.
    std::atomic<bool> wanted_{true};
    std::atomic<std::int64_t> wantedSince_{0};  // steady clock, nanoseconds
    mutable std::mutex mutex_;
    ScreenFrame published_;
};

}  // namespace zarudiv
