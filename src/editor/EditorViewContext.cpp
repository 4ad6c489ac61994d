#include "editor/EditorViewContext.h"

#include "params/ParameterTable.h"
#include "shell/EffectShell.h"

namespace tessarine {

void EditorViewContext::applyValue(int index, float value)
{
    if (index >= 0 && index < kValueCount) {
        effect_.setParameterAutomated(index, value);
    }
}

} // namespace tessarine
