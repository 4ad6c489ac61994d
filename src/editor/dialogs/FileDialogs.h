#pragma once
// Everything the editor shows outside its own frame: the open and save dialogs
// for library files and sound files, the one message box, and the window that
// shows how far an analysis has come. The desktop's dialogs (zenity, kdialog)
// or the toolkit's own stand behind it; tests inject paths through it.
//
// User-interface thread only; every call may block until the user answers.

#include "analysis/AnalysisProgress.h"

#include <memory>
#include <string>
#include <vector>

namespace tessarine {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // extension: "t9i", "t9v", "t9h", "t9n" or "wav" (no dot). Open asks for an
    // existing file titled "Load %s File"; save titled "Save %s File" asks
    // before overwriting and appends the extension when the name lacks it.
    // False when the user cancels; path is then unchanged.
    virtual bool openFile(const char* extension, std::string& path) = 0;
    virtual bool saveFile(const char* extension, std::string& path) = 0;
    // Open for one or more files at once (sounds become one multisample each).
    // This default asks for one; false when the user cancels, paths unchanged.
    virtual bool openFiles(const char* extension, std::vector<std::string>& paths)
    {
        std::string path = paths.empty() ? std::string() : paths.front();
        if (!openFile(extension, path)) {
            return false;
        }
        paths.assign(1, path);
        return true;
    }

    // The sound library's root folder, where the dialogs for library files
    // start and which they offer as a place; dialogs of the desktop ignore it.
    virtual void setLibraryFolder(const std::string&) {}
    // The editor's scale, at which our own dialogs are drawn; the desktop's
    // dialogs follow the desktop's own.
    virtual void setScale(double) {}

    // A message with an OK button, e.g. "Unsupported file format.\n" under "Tessarine".
    virtual void messageBox(const char* text, const char* caption) = 0;
    // A question answered by going ahead (true: the yes button, accept) or
    // not (false). Dialogs that cannot ask (scripted ones) go ahead.
    virtual bool question(const char* text, const char* caption, const char* accept)
    {
        (void)text;
        (void)caption;
        (void)accept;
        return true;
    }

    // The "Analysing Audio" window shown while a sound is analysed; null when
    // there is no display, and the analysis then runs with no window. The
    // window closes when the returned object is destroyed.
    virtual std::unique_ptr<AnalysisProgress> openAnalysisProgress() { return nullptr; }
};

// The dialogs of this desktop: zenity or kdialog when installed, else the
// toolkit's own; TESSARINE_FILE_DIALOG=builtin chooses the toolkit's always.
std::unique_ptr<FileDialogs> makeFileDialogs();

} // namespace tessarine
