#pragma once
// Each page's reactions to its values, registered in the editor's
// ValueHandlers at every open over the pages just built: the top bar's file,
// library and learn actions, the voice pages' edits of their slot's voice and
// the settings of its views, the matrix rows, the morph page's pad, path and
// voice menus, and the generators of the pages that have one.

#include "editor/ValueHandlers.h"

#include <functional>

namespace tessarine {

class EditorActions;
class EditorPages;
class SynthEngine;
class VoiceEdits;

// What the reactions reach; valid while the pages they were registered over live.
struct PageHandlerContext {
    SynthEngine& engine;
    const EditorPages& pages;
    EditorActions& actions;
    VoiceEdits& voices;
};

// Every page's reactions; the page selector's is the editor's own.
void addPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context);

void addTopBarHandlers(ValueHandlers& handlers, const PageHandlerContext& context);
void addVoicePageHandlers(ValueHandlers& handlers, const PageHandlerContext& context);
void addModulationPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context);
void addMorphPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context);
void addSoundPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context);
void addEffectsPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context);

// A kick button's file or generator action: its controls follow every write,
// and action(offset) runs on the write of 0 alone (the button's release).
void onRelease(ValueHandlers& handlers, const PageHandlerContext& context, int first, int count,
               std::function<void(int offset)> action);

} // namespace tessarine
