#include "editor/EditRecorder.h"

#include "editor/EditorShell.h"
#include "engine/SynthEngine.h"
#include "gui/Frame.h"
#include "sound/files/RecordStream.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace tessarine {

namespace {

constexpr std::int64_t kWheelPauseMs = 500;
// Wheel notches this far from the last are on another control: a new step.
constexpr double kWheelMoveLimit = 4.0;
constexpr std::size_t kFirstBuffer = 1u << 20;

bool sameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool isUndoKey(const gui::InputEvent& e) { return e.has(gui::kControl) && !e.has(gui::kShift) && (e.key == 'z' || e.key == 26); }
bool isRedoKey(const gui::InputEvent& e)
{
    return e.has(gui::kControl) && ((e.has(gui::kShift) && (e.key == 'Z' || e.key == 'z' || e.key == 26)) || e.key == 'y' || e.key == 25);
}

} // namespace

EditRecorder::EditRecorder(SynthEngine& engine, std::function<void()> refresh, std::function<void()> marked)
    : engine_(engine), refresh_(std::move(refresh)), marked_(std::move(marked))
{
}

void EditRecorder::attach(gui::Frame* frame)
{
    if (frame_ != nullptr) {
        frame_->setEventWatcher(nullptr);
    }
    frame_ = frame;
    if (frame_ != nullptr) {
        frame_->setEventWatcher(this);
        // The host may have changed anything while the editor was closed.
        wheelPending_ = false;
        editPending_ = false;
        // Before the first open the instrument is the one the instance started
        // with, or the host's project: nothing to mark yet.
        if (history_.empty()) {
            unmodifiedPending_ = true;
        }
        settle();
    }
}

// The record is written as a project save writes it, into a buffer kept for
// the next step; it grows to the largest record a file may hold.
EditHistory::State EditRecorder::capture()
{
    EditHistory::Values values{};
    for (int index = 0; index < kParameterCount; ++index) {
        values[static_cast<std::size_t>(index)] = engine_.getParameter(index, true);
    }
    if (buffer_.empty()) {
        buffer_.resize(kFirstBuffer);
    }
    for (;;) {
        RecordStream stream;
        stream.openMemoryWrite(buffer_);
        if (engine_.writeInstrumentRecord(stream)) {
            return stateOf(std::span(buffer_).first(stream.position()), values);
        }
        if (stream.status() != RecordStream::Status::Overflow || buffer_.size() >= RecordStream::kBufferSize) {
            return history_.makeState({}, values);
        }
        buffer_.resize(std::min(buffer_.size() * 2, RecordStream::kBufferSize));
    }
}

// Most presses and releases change nothing in the record (a key of the
// on-screen keyboard, a page tab): comparing it with the last one costs a
// fraction of cutting and hashing it again.
EditHistory::State EditRecorder::stateOf(std::span<const std::byte> record, const EditHistory::Values& values)
{
    if (!lastChunks_.empty() && record.size() == lastRecord_.size()
        && std::memcmp(record.data(), lastRecord_.data(), record.size()) == 0) {
        EditHistory::State state;
        state.chunks = lastChunks_;
        state.values = values;
        return state;
    }
    EditHistory::State state = history_.makeState(record, values);
    lastRecord_.assign(record.begin(), record.end());
    lastChunks_ = state.chunks;
    return state;
}

bool EditRecorder::holdComparison()
{
    if (!comparing_) {
        return false;
    }
    editPending_ = false;
    wheelPending_ = false;
    EditHistory::State now = capture();
    const EditHistory::State* loaded = history_.unmodifiedState();
    if (loaded != nullptr && now.sameRecord(*loaded) && now.values == loaded->values) {
        return true;
    }
    comparing_ = false;
    history_.push(std::move(now));
    marked_();
    return true;
}

void EditRecorder::record()
{
    if (holdComparison()) {
        return;
    }
    editPending_ = false;
    wheelPending_ = false;
    history_.push(capture());
    if (unmodifiedPending_) {
        unmodifiedPending_ = false;
        history_.markUnmodified();
    }
    marked_();
}

void EditRecorder::settle()
{
    if (holdComparison()) {
        return;
    }
    if (editPending_ || wheelPending_ || history_.empty()) {
        record();
        return;
    }
    history_.replaceCurrent(capture());
    if (unmodifiedPending_) {
        unmodifiedPending_ = false;
        history_.markUnmodified();
    }
    marked_();
}

void EditRecorder::noteUnmodified()
{
    // What was loaded or saved is a new loaded side: the comparison is over,
    // and the edited side stays a step back.
    comparing_ = false;
    unmodifiedPending_ = true;
    if (frame_ != nullptr) {
        // A load is a step of its own, and the mark clears at once.
        record();
    }
}

void EditRecorder::idle(std::int64_t nowMs)
{
    if (frame_ == nullptr || frame_->mouseOwner() != nullptr) {
        return;
    }
    if (wheelPending_ && nowMs < wheelDueMs_) {
        return;
    }
    if (editPending_ || wheelPending_) {
        record();
    }
}

void EditRecorder::beforeEvent(const gui::InputEvent& event)
{
    switch (event.kind) {
    case gui::EventKind::MouseDown:
        if (frame_->mouseOwner() == nullptr) {
            settle();
        }
        break;
    case gui::EventKind::Wheel:
        if (wheelPending_ && std::hypot(event.position.x - wheelX_, event.position.y - wheelY_) <= kWheelMoveLimit) {
            break;
        }
        settle();
        break;
    case gui::EventKind::KeyDown:
        if (frame_->keyFocus() == nullptr || editPending_ || wheelPending_) {
            settle();
        }
        break;
    default:
        break;
    }
}

bool EditRecorder::afterEvent(const gui::InputEvent& event, bool taken)
{
    switch (event.kind) {
    case gui::EventKind::MouseUp:
        record();
        return false;
    case gui::EventKind::MouseDown:
        // A press no view holds on to is a whole click.
        if (frame_->mouseOwner() == nullptr) {
            record();
        }
        return false;
    case gui::EventKind::Wheel:
        if (taken) {
            wheelPending_ = true;
            wheelDueMs_ = tickCountMs() + kWheelPauseMs;
            wheelX_ = event.position.x;
            wheelY_ = event.position.y;
        }
        return false;
    case gui::EventKind::KeyDown:
        if (taken) {
            if (event.key == gui::kKeyReturn || event.key == gui::kKeyEscape) {
                record();
            }
            return false;
        }
        if (isUndoKey(event)) {
            undo();
            return true;
        }
        if (isRedoKey(event)) {
            redo();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// The edited side plays again first: with no step to go to, the place undo
// stands at must still be what plays.
void EditRecorder::endComparison()
{
    if (comparing_) {
        comparing_ = false;
        restore(history_.current());
    }
}

bool EditRecorder::undo()
{
    settle();
    if (comparing_ && !history_.canUndo()) {
        endComparison();
        return false;
    }
    comparing_ = false;
    return restore(history_.undo());
}

bool EditRecorder::redo()
{
    settle();
    if (comparing_ && !history_.canRedo()) {
        endComparison();
        return false;
    }
    comparing_ = false;
    return restore(history_.redo());
}

bool EditRecorder::compare()
{
    settle();
    if (comparing_) {
        endComparison();
        return true;
    }
    const EditHistory::State* loaded = history_.unmodifiedState();
    if (loaded == nullptr || !history_.modified()) {
        return false;
    }
    comparing_ = true;
    // A copy: the loaded state must not move while it is installed.
    const EditHistory::State side = *loaded;
    return restore(&side);
}

// Values first: when the record then matches, the voices were never touched
// and notes play on; otherwise the whole record is installed, as a project
// load installs it.
bool EditRecorder::restore(const EditHistory::State* state)
{
    if (state == nullptr) {
        return false;
    }
    for (int index = 0; index < kParameterCount; ++index) {
        const float value = state->values[static_cast<std::size_t>(index)];
        if (!sameBits(engine_.getParameter(index, true), value)) {
            engine_.setParameter(index, value, true);
        }
    }
    if (!capture().sameRecord(*state)) {
        engine_.loadInstrumentRecord(EditHistory::recordOf(*state));
    }
    editPending_ = false;
    wheelPending_ = false;
    refresh_();
    marked_();
    return true;
}

} // namespace tessarine
