#include "editor/SlotAnalysis.h"

#include "analysis/SoundFileAnalysis.h"
#include "editor/VoicePlace.h"
#include "engine/SynthEngine.h"
#include "sound/files/RecordStream.h"
#include "sound/files/VoiceFile.h"

#include <algorithm>
#include <filesystem>
#include <numeric>

namespace tessarine {

namespace {

// One window for several sounds: each reports its own share of the bar, and
// its stages under the name of its file.
class ShareOfProgress final : public AnalysisProgress {
public:
    ShareOfProgress(AnalysisProgress* whole, int index, int count, std::string file)
        : whole_(whole), index_(index), count_(count), file_(std::move(file))
    {
    }
    void setProgress(double percent) override
    {
        if (whole_ != nullptr) {
            whole_->setProgress((100.0 * index_ + percent) / count_);
        }
    }
    void setStage(const std::string& stage) override
    {
        if (whole_ != nullptr) {
            whole_->setStage(file_ + "\n" + stage);
        }
    }

private:
    AnalysisProgress* whole_;
    int index_;
    int count_;
    std::string file_;
};

std::string fileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// A new voice goes through its file record, so it is the voice the command
// line would have written, bit for bit, and plays as that file does.
bool asIfLoaded(Voice& voice)
{
    std::vector<std::byte> record(RecordStream::kBufferSize);
    RecordStream stream;
    stream.openMemoryWrite(record);
    const bool written = writeVoice(stream, voice);
    const std::size_t size = stream.position();
    if (!stream.close() || !written) {
        return false;
    }
    stream.openMemoryRead(std::span<const std::byte>(record).first(size));
    const bool read = readVoice(stream, voice);
    return stream.close() && read;
}

} // namespace

SlotAnalysisOutcome analyseIntoSlot(SynthEngine& engine, int slot, const std::vector<std::string>& paths,
                                    AnalyseInto into,
                                    const std::function<std::unique_ptr<AnalysisProgress>()>& openProgress)
{
    const std::size_t count = paths.size();
    if (slot < 0 || slot >= kSlotCount || count == 0 || count > static_cast<std::size_t>(kMaxMultisamples)) {
        return {false, "Choose 1 to 8 sound files."};
    }
    if (into == AnalyseInto::ShownLayer && count != 1) {
        return {false, "One sound goes into one layer: choose a single file."};
    }
    // Every file is imported before anything is analysed, so a bad one costs
    // no time and changes nothing.
    std::vector<std::unique_ptr<PreparedSound>> sounds;
    for (const std::string& path : paths) {
        auto sound = std::make_unique<PreparedSound>();
        ImportRefusal refusal = ImportRefusal::None;
        if (!prepareSound(path, *sound, &refusal)) {
            return {false, describe(refusal)};
        }
        sounds.push_back(std::move(sound));
    }
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&sounds](std::size_t a, std::size_t b) {
        return sounds[a]->fundamental.f0 < sounds[b]->fundamental.f0;
    });

    const Voice& live = engine.instrument().voices[static_cast<std::size_t>(slot)];
    const VoicePlace place = voicePlaceOf(engine, slot);
    const bool plainVoice = live.multisampleCount <= 1 && live.layerCount <= 1;
    const bool fresh = into == AnalyseInto::NewVoice && !(plainVoice && count == 1);
    // About 4 MB: kept off the stack.
    auto voice = std::make_unique<Voice>();
    if (fresh) {
        voice->multisampleCount = 1;
        voice->layerCount = 1;
    } else {
        voice->copyFrom(live);
    }
    // A one-layer voice keeps its sound in layer 1 and plays layer 0 as a copy
    // of it, whatever the selector shows: the analysis must land there.
    const int layer = voice->layerCount <= 1 ? 1 : place.layer;
    {
        std::unique_ptr<AnalysisProgress> progress = openProgress ? openProgress() : nullptr;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = order[k];
            std::string file = fileNameOf(paths[i]);
            if (count > 1) {
                file += " (" + std::to_string(k + 1) + " of " + std::to_string(count) + ")";
            }
            ShareOfProgress share(progress.get(), static_cast<int>(k), static_cast<int>(count), std::move(file));
            AnalysisSummary summary;
            // A plain voice plays its first multisample on every key, whatever the list shows.
            const int multisample = fresh ? static_cast<int>(k) : into == AnalyseInto::NewVoice ? 0 : place.multisample;
            if (!analyseIntoVoice(sounds[i]->buffer, sounds[i]->fundamental.f0, *voice, multisample, layer, &share,
                                  summary)) {
                return {false, "The analysis of " + fileNameOf(paths[i]) + " failed."};
            }
        }
    }
    const std::string name = voiceNameFromPath(paths[order[0]]);
    const std::string slotName(1, static_cast<char>('A' + slot));
    std::string said;
    if (fresh) {
        voice->multisampleCount = static_cast<int>(count);
        voice->setName(name);
        if (!asIfLoaded(*voice)) {
            return {false, "The analysis of " + fileNameOf(paths[order[0]]) + " failed."};
        }
        said = "Slot " + slotName + ": new voice \"" + name + "\" on every key";
        if (count > 1) {
            said += ", " + std::to_string(count) + " multisamples";
        }
    } else if (plainVoice) {
        voice->setName(name);
        prepareVoice(*voice);
        said = "Slot " + slotName + ": \"" + name + "\" on every key";
    } else {
        // Only one layer of a larger voice changed: the voice keeps its name.
        prepareVoice(*voice);
        said = "Slot " + slotName + ": " + name + " into multisample " + std::to_string(place.multisample + 1)
             + (layer == 0 ? ", soft layer" : ", loud layer");
    }
    engine.replaceVoice(slot, *voice);
    return {true, said};
}

} // namespace tessarine
