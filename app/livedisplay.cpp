#include "app/livedisplay.h"

#include <chrono>
#include <cstdio>

namespace zarudiv {

namespace {

// How long a wanted frame waits for the end of a generation before any
// display event publishes it.
constexpr std::int64_t kFrameWaitNanoseconds = 40'000'000;

std::int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

LiveDisplay::LiveDisplay(const std::array<Canvas*, kPlotRoles.size()>& canvases,
                         const std::array<std::string, kTextRoles.size()>& shownTexts)
    : current_(shownTexts)
{
    screen_.texts = shownTexts;
    for (std::size_t i = 0; i < canvases.size(); ++i) {
        Picture& picture = pictures_[i];
        picture.canvas = canvases[i];
        attach(kPlotRoles[i], picture.canvas);
        if (picture.canvas == nullptr)
            continue;
        // The window shows each canvas as it is when the campaign starts.
        picture.repaintedAt = picture.canvas->drawCount();
        picture.previousHandler = picture.canvas->repaintHandler();
        picture.canvas->setRepaintHandler([this, i] { repainted(i); });
    }
}

LiveDisplay::~LiveDisplay()
{
    for (Picture& picture : pictures_)
        if (picture.canvas != nullptr)
            picture.canvas->setRepaintHandler(picture.previousHandler);
}

QImage LiveDisplay::bitmapOf(const Canvas& canvas)
{
    return canvas.hasBitmap() ? canvas.bitmap() : QImage();
}

void LiveDisplay::setGenerationProgress(int g)
{
    screen_.generationProgress = g;
    publishIfWanted();
}

void LiveDisplay::setMutantProgress(int m)
{
    screen_.mutantProgress = m;
    publishIfWanted();
}

void LiveDisplay::showText(TextRole role, const std::string& text)
{
    const auto i = static_cast<std::size_t>(role);
    // The field is repainted with what it holds, then takes the new text.
    screen_.texts[i] = current_[i];
    current_[i] = text;
    publishIfWanted();
}

void LiveDisplay::generationDone(const GenerationRecord& record)
{
    lastRecord_ = record;
    publishIfWanted(true);
}

void LiveDisplay::warn(const std::string& message)
{
    std::fprintf(stderr, "zarudiv: %s\n", message.c_str());
}

void LiveDisplay::repainted(std::size_t role)
{
    Picture& picture = pictures_[role];
    picture.repaintedAt = picture.canvas->drawCount();
    // Kept only while a frame is due: a kept snapshot makes the next drawing
    // copy the bitmap, which is worth it once per frame, not once per
    // generation.
    picture.snapshotCurrent = picture.keepSnapshots && wanted_.load(std::memory_order_relaxed);
    picture.snapshot = picture.snapshotCurrent ? bitmapOf(*picture.canvas) : QImage();
    publishIfWanted();
}

void LiveDisplay::publishIfWanted(bool generationEnd)
{
    if (!wanted_.load(std::memory_order_acquire))
        return;
    if (!generationEnd && Now() - wantedSince_.load(std::memory_order_relaxed) < kFrameWaitNanoseconds)
        return;
    for (std::size_t i = 0; i < pictures_.size(); ++i) {
        Picture& picture = pictures_[i];
        if (picture.canvas == nullptr)
            continue;
        if (picture.canvas->drawCount() == picture.repaintedAt) {
            // Nothing drawn since the last repaint: the bitmap is what shows.
            screen_.pictures[i] = bitmapOf(*picture.canvas);
        } else if (picture.snapshotCurrent) {
            screen_.pictures[i] = picture.snapshot;
        } else {
            // Drawn on since its last repaint, and what it showed then was not
            // kept: from now on it is, and the frame waits for a later event.
            picture.keepSnapshots = true;
            return;
        }
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        screen_.number = published_.number + 1;
        published_ = screen_;
    }
    // Released at once: the frame shares the bitmaps, and a later drawing on
    // the worker copies a bitmap rather than change the frame's.
    for (QImage& image : screen_.pictures)
        image = QImage();
    wanted_.store(false, std::memory_order_release);
}

std::optional<ScreenFrame> LiveDisplay::takeFrame(std::uint64_t shown)
{
    std::optional<ScreenFrame> frame;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (published_.number > shown)
            frame = published_;
        // The window holds the frame now: the worker's next drawing on a
        // bitmap the window shares copies it only while the window shows it.
        for (QImage& image : published_.pictures)
            image = QImage();
    }
    if (!wanted_.load(std::memory_order_relaxed)) {
        wantedSince_.store(Now(), std::memory_order_relaxed);
        wanted_.store(true, std::memory_order_release);
    }
    return frame;
}

ScreenFrame LiveDisplay::finalFrame() const
{
    ScreenFrame frame = screen_;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        frame.number = published_.number + 1;
    }
    frame.texts = current_;
    for (std::size_t i = 0; i < pictures_.size(); ++i)
        if (pictures_[i].canvas != nullptr)
            frame.pictures[i] = bitmapOf(*pictures_[i].canvas);
    return frame;
}

}  // namespace zarudiv
