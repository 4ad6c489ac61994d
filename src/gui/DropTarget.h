#pragma once
// What a frame does with files dragged over it from another program. The
// window back-end asks while the pointer hovers (the target may draw where
// the files would land) and hands over the files on a drop. Positions are in
// frame coordinates; paths are local file paths, already decoded.

#include "gui/Geometry.h"

#include <string>
#include <vector>

namespace tessarine::gui {

class DropTarget {
public:
    virtual ~DropTarget() = default;

    // Would a drop of paths at this point be taken? Called again at every move.
    virtual bool dragOver(Point at, const std::vector<std::string>& paths) = 0;
    // The drag left the window or was given up: forget any hint.
    virtual void dragLeave() = 0;
    // The files were let go here. May block (an analysis): the source has
    // already been told the drop is done. True when the drop was taken.
    virtual bool drop(Point at, const std::vector<std::string>& paths) = 0;
};

} // namespace tessarine::gui
