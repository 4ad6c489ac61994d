#pragma once
// The one-line reason a library file could not be read, shared by the file
// commands: "cannot open (...)", "empty", "too large (...)", "truncated at
// byte N", "bad count: FIELD VALUE at byte N"; and why one could not be
// saved: "cannot create: not a regular file", "write failed: ...".

#include "sound/files/RecordStream.h"

#include <string>

namespace tessarine::host {

std::string readFailureReason(const RecordStream& stream);

} // namespace tessarine::host
