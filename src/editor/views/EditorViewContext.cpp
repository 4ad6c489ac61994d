#include "editor/views/EditorViewContext.h"

#include "editor/EditorHost.h"

#include "params/ParameterTable.h"

namespace tessarine {

void EditorViewContext::applyValue(int index, float value)
{
    if (index >= 0 && index < kValueCount) {
        host_.automate(index, value);
    }
}

} // namespace tessarine
