#pragma once
// Harmonic presets (".t9h", exactly one harmonic record) and noise presets
// (".t9n", exactly one noise record): one half of a layer kept apart from its
// voice. No version field and no header; bytes after the record are ignored.
//
// None of these prepare the voice: after a load the caller runs prepareVoice
// (and rebuilds whatever shows the voice), as after any other edit. A load
// that fails part-way leaves the layer with what was read before the failure
// and the other layers untouched; the caller prepares in that case too.
// The stream is closed whatever the result; a file that cannot be opened
// changes nothing. Saves are atomic.

#include "sound/files/RecordStream.h"
#include "sound/model/Voice.h"

#include <string>

namespace tessarine {

// From a slot's preset menu: the voice becomes one multisample of one layer,
// and the record replaces that half of layer 1 of multisample 0, the layer a
// single-layer voice plays from. A harmonic preset also names the voice after
// the file; a noise preset keeps the name.
bool loadHarmonicPresetInto(const std::string& path, Voice& voice, RecordStream& stream);
bool loadNoisePresetInto(const std::string& path, Voice& voice, RecordStream& stream);

// From the load and save dialogs, on the layer the editor shows: the voice's
// counts and name stay. False for a multisample outside 0..7 or a layer
// outside 0..1, before the file is touched.
bool loadHarmonicPreset(const std::string& path, Voice& voice, int multisample, int layer, RecordStream& stream);
bool loadNoisePreset(const std::string& path, Voice& voice, int multisample, int layer, RecordStream& stream);
bool saveHarmonicPreset(const std::string& path, const Voice& voice, int multisample, int layer,
                        RecordStream& stream);
bool saveNoisePreset(const std::string& path, const Voice& voice, int multisample, int layer, RecordStream& stream);

} // namespace tessarine
