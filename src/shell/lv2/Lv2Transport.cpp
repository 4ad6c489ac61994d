#include "shell/lv2/Lv2Transport.h"

#include <lv2/time/time.h>

#include <cmath>
#include <cstring>

namespace tessarine::lv2 {

void Lv2Transport::mapUris(const LV2_URID_Map& map)
{
    auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
    uris_.position = id(LV2_TIME__Position);
    uris_.bar = id(LV2_TIME__bar);
    uris_.barBeat = id(LV2_TIME__barBeat);
    uris_.beat = id(LV2_TIME__beat);
    uris_.beatUnit = id(LV2_TIME__beatUnit);
    uris_.beatsPerBar = id(LV2_TIME__beatsPerBar);
    uris_.beatsPerMinute = id(LV2_TIME__beatsPerMinute);
    uris_.speed = id(LV2_TIME__speed);
    uris_.atomFloat = id(LV2_ATOM__Float);
    uris_.atomDouble = id(LV2_ATOM__Double);
    uris_.atomInt = id(LV2_ATOM__Int);
    uris_.atomLong = id(LV2_ATOM__Long);
}

void Lv2Transport::read(const LV2_Atom_Object_Body& body, std::uint32_t size, int frameOffset, double sampleRate)
{
    if (size < sizeof(LV2_Atom_Object_Body) || uris_.position == 0 || body.otype != uris_.position) {
        return;
    }
    bool hasBar = false, hasBarBeat = false, hasBeat = false;
    double bar = 0.0, barBeat = 0.0, beat = 0.0;
    double tempo = tempo_, beatsPerBar = beatsPerBar_, beatUnit = beatUnit_, speed = speed_;

    const auto* base = reinterpret_cast<const std::uint8_t*>(&body);
    std::uint64_t offset = sizeof(LV2_Atom_Object_Body);
    while (offset + sizeof(LV2_Atom_Property_Body) <= size) {
        LV2_Atom_Property_Body property;
        std::memcpy(&property, base + offset, sizeof property);
        const std::uint64_t end = offset + sizeof(LV2_Atom_Property_Body) + property.value.size;
        if (end > size) {
            break;
        }
        const std::uint8_t* value = base + offset + sizeof(LV2_Atom_Property_Body);
        double number = 0.0;
        bool isNumber = true;
        if (property.value.type == uris_.atomFloat && property.value.size >= sizeof(float)) {
            float v;
            std::memcpy(&v, value, sizeof v);
            number = v;
        } else if (property.value.type == uris_.atomDouble && property.value.size >= sizeof(double)) {
            std::memcpy(&number, value, sizeof number);
        } else if (property.value.type == uris_.atomInt && property.value.size >= sizeof(std::int32_t)) {
            std::int32_t v;
            std::memcpy(&v, value, sizeof v);
            number = v;
        } else if (property.value.type == uris_.atomLong && property.value.size >= sizeof(std::int64_t)) {
            std::int64_t v;
            std::memcpy(&v, value, sizeof v);
            number = static_cast<double>(v);
        } else {
            isNumber = false;
        }
        if (isNumber && std::isfinite(number)) {
            const LV2_URID key = property.key;
            if (key == uris_.beatsPerMinute && number > 0.0) {
                tempo = number;
            } else if (key == uris_.bar) {
                bar = number;
                hasBar = true;
            } else if (key == uris_.barBeat) {
                barBeat = number;
                hasBarBeat = true;
            } else if (key == uris_.beat) {
                beat = number;
                hasBeat = true;
            } else if (key == uris_.beatsPerBar && number > 0.0) {
                beatsPerBar = number;
            } else if (key == uris_.beatUnit && number >= 1.0) {
                beatUnit = number;
            } else if (key == uris_.speed) {
                speed = number;
            }
        }
        offset = (end + 7u) & ~std::uint64_t{7}; // properties start 64-bit aligned
    }

    tempo_ = tempo;
    beatsPerBar_ = beatsPerBar;
    beatUnit_ = beatUnit;
    speed_ = speed;
    known_ = true;
    if (!hasBeat && hasBar && hasBarBeat) {
        beat = bar * beatsPerBar + barBeat;
        hasBeat = true;
    }
    // The position stands at frameOffset; the block started that many frames earlier.
    const double beatsBefore = sampleRate > 0.0 ? frameOffset / sampleRate * tempo_ / 60.0 * speed_ : 0.0;
    if (hasBeat) {
        beat_ = beat - beatsBefore;
    }
    if (hasBarBeat) {
        barBeat_ = barBeat - beatsBefore;
        barKnown_ = true;
    } else if (hasBar && hasBeat) {
        barBeat_ = beat_ - bar * beatsPerBar;
        barKnown_ = true;
    }
}

void Lv2Transport::advance(int frames, double sampleRate)
{
    if (!known_ || frames <= 0 || sampleRate <= 0.0 || speed_ == 0.0) {
        return;
    }
    const double beats = frames / sampleRate * tempo_ / 60.0 * speed_;
    beat_ += beats;
    barBeat_ += beats;
    // A bar that has ended starts the next one.
    if (barBeat_ >= beatsPerBar_) {
        barBeat_ = std::fmod(barBeat_, beatsPerBar_);
    }
}

void Lv2Transport::fill(HostTransport& transport, bool withBar) const
{
    transport.tempo = tempo_ * quartersPerBeat();
    transport.ppqPosition = beat_ * quartersPerBeat();
    if (withBar && barKnown_) {
        transport.barStart = (beat_ - barBeat_) * quartersPerBeat();
    }
}

} // namespace tessarine::lv2
